#include "config/option_catalog.h"

#include <cstring>
#include <iterator>

namespace bcr::catalog {

namespace {

constexpr int32_t kDeviceImager4507 = 8;
constexpr int32_t kDeviceEngineSE955 = 9;

// A function whose pointers reach the handler's arguments 1..count in order.
template <size_t N>
constexpr OptionFunction Straight(const char *name, const char *handler,
                                  const OptionName (&names)[N], uint8_t count) {
  OptionFunction function{name, handler, names, static_cast<uint8_t>(N), count, {}};
  for (uint8_t i = 0; i < count; ++i) function.handlerArg[i] = static_cast<uint8_t>(i + 1);
  return function;
}

// The same function with no handler argument behind its pointer at (1-based) position.
constexpr OptionFunction Skipping(OptionFunction function, uint8_t position) {
  function.handlerArg[position - 1] = 0;
  return function;
}

// The same function with its last pointer reaching handler argument arg.
constexpr OptionFunction LastReaches(OptionFunction function, uint8_t arg) {
  function.handlerArg[function.argCount - 1] = arg;
  return function;
}

constexpr OptionFunction kNone{nullptr, nullptr, nullptr, 0, 0, {}};

constexpr SymbologyOptions kEntries[] = {
    {"code39", "Code 39", Straight("Code39_1D_SE955", "Code39Param", kCode39Names, 9),
     Straight("Code39_2D_4507", "Code39Param", kCode39Names, 9)},
    // The 4507-only option 44 (handler argument 15) has no pointer in either function.
    {"upc", "UPC", LastReaches(Straight("Upc_1D_SE955", "UpcParam", kUpcNames, 15), 16),
     Straight("Upc_2D_4507", "UpcParam", kUpcNames, 14)},
    {"eanjan", "EAN/JAN",
     LastReaches(Straight("EanJan_1D_SE955", "EanJanParam", kEanJanNames, 8), 9),
     Straight("EanJan_2D_4507", "EanJanParam", kEanJanNames, 7)},
    {"code128", "Code 128", Straight("Code128_1D_SE955", "Code128Param", kCode128Names, 3),
     Straight("Code128_2D_4507", "Code128Param", kCode128Names, 5)},
    {"code93", "Code 93", Straight("Code93_1D_SE955", "Code93Param", kCode93Names, 3),
     Straight("Code93_2D_4507", "Code93Param", kCode93Names, 3)},
    {"code11", "Code 11", Straight("Code11_1D_SE955", "Code11Param", kCode11Names, 5),
     Straight("Code11_2D_4507", "Code11Param", kCode11Names, 5)},
    {"i2of5", "Interleaved 2 of 5",
     Straight("Interleaved2Of5_1D_SE955", "Interleaved2Of5Param", kInterleaved2Of5Names, 6),
     Straight("Interleaved2Of5_2D_4507", "Interleaved2Of5Param", kInterleaved2Of5Names, 6)},
    {"d2of5", "Industrial (Discrete) 2 of 5",
     Straight("Industrial2Of5_1D_SE955", "Industrial2Of5Param", kIndustrial2Of5Names, 3),
     Straight("Industrial2Of5_2D_4507", "Industrial2Of5Param", kIndustrial2Of5Names, 3)},
    {"codabar", "Codabar", Straight("Codabar_1D_SE955", "CodabarParam", kCodabarNames, 5),
     Straight("Codabar_2D_4507", "CodabarParam", kCodabarNames, 5)},
    {"msi", "MSI", Straight("Msi_1D_SE955", "MsiParam", kMsiNames, 6),
     Straight("Msi_2D_4507", "MsiParam", kMsiNames, 6)},
    {"gs1databar", "GS1 DataBar", Straight("GS1_DataBar_1D_SE955", "RssParam", kRssNames, 4),
     Straight("GS1_DataBar_2D_4507", "RssParam", kRssNames, 4)},
    {"chinese2of5", "Chinese 2 of 5",
     Straight("Chinese2Of5_1D_SE955", "Chinese2Of5Param", kChinese2Of5Names, 1),
     Straight("Chinese2Of5_2D_4507", "Chinese2Of5Param", kChinese2Of5Names, 1)},
    {"postal", "Postal codes", kNone,
     Straight("PostalCode_2D_4507", "PostalCodeParam", kPostalCodeNames, 8)},
    {"composite", "Composite codes", kNone,
     Straight("Composite_2D_4507", "CompositeParam", kCompositeNames, 6)},
    {"security", "Decode security", kNone,
     Straight("SymbologySecurityLevel_2D_4507", "SymbologySecurityLevelParam",
              kSymbologySecurityLevelNames, 3)},
    {"macropdf", "Macro PDF", kNone,
     Straight("MacroPDF_2D_4507", "MacroPDFParam", kMacroPDFNames, 3)},
    {"matrix2of5", "Matrix 2 of 5", kNone,
     Straight("Matrix2Of5_2D_4507", "Matrix2Of5Param", kMatrix2Of5Names, 6)},
    {"symbologies2d", "Two-dimensional symbologies", kNone,
     Straight("Symbologies_2D_4507", "SymbologiesParam", kSymbologiesNames, 12)},
    // Pointer 5 of the SE955 function only counts towards "something was asked for".
    {"preferences", "User preferences",
     Skipping(
         Straight("UserPreferences_1D_SE955", "UserPreferences1DParam", kUserPreferences1DNames, 7),
         5),
     Straight("UserPreferences_2D_4507", "UserPreferences2DParam", kUserPreferences2DNames, 3)},
    // Pointer 2 only counts towards "something was asked for".
    {"misc", "Miscellaneous option",
     Skipping(Straight("MiscellaneousOption_1D_SE955", "MiscellaneousOptionParam",
                       kMiscellaneousOptionNames, 2),
              2),
     Skipping(Straight("MiscellaneousOption_2D_4507", "MiscellaneousOptionParam",
                       kMiscellaneousOptionNames, 2),
              2)},
};
static_assert(std::size(kEntries) == kSymbologyOptionsCount);

}  // namespace

const SymbologyOptions *CatalogEntries() {
  return kEntries;
}

const SymbologyOptions *FindSymbologyOptions(const char *key) {
  if (key == nullptr) return nullptr;
  for (const SymbologyOptions &entry : kEntries) {
    if (std::strcmp(entry.key, key) == 0) return &entry;
  }
  return nullptr;
}

const OptionFunction *FunctionFor(const SymbologyOptions &entry, int32_t deviceType) {
  const OptionFunction *function = deviceType == kDeviceEngineSE955  ? &entry.se955
                                   : deviceType == kDeviceImager4507 ? &entry.imager4507
                                                                     : nullptr;
  return function != nullptr && function->name != nullptr ? function : nullptr;
}

const OptionName *ArgumentOption(const OptionFunction &function, size_t index) {
  if (index >= function.argCount || index >= kMaxArgs) return nullptr;
  uint8_t arg = function.handlerArg[index];
  if (arg == 0 || arg > function.nameCount) return nullptr;
  return &function.names[arg - 1];
}

int FindArgument(const OptionFunction &function, const char *name) {
  if (name == nullptr) return -1;
  for (size_t i = 0; i < function.argCount; ++i) {
    const OptionName *option = ArgumentOption(function, i);
    if (option != nullptr && std::strcmp(option->name, name) == 0) return static_cast<int>(i);
  }
  return -1;
}

bool InRange(ValueRange range, int64_t value) {
  switch (range) {
    case ValueRange::kFlag:
      return value == 0 || value == 1;
    case ValueRange::kByte:
      return value >= 0 && value <= 255;
    case ValueRange::kGapSize:
      return value == 6 || value == 10;
    case ValueRange::kAny:
      return value >= INT32_MIN && value <= INT32_MAX;
  }
  return false;
}

}  // namespace bcr::catalog
