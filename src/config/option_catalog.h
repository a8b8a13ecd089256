// The option catalog: the names of every option of the parameter handlers, and for each
// symbology the exported option functions of both engines with the handler option behind each of
// their arguments. Programs that configure the reader by name (the command-line tool) and the
// handler tables themselves (which check at compile time that these names fit their rows) share
// this one list.
//
// Plain data and lookups only: nothing here calls into the rest of the library, so a program may
// compile option_catalog.cpp on its own. The library runs every exported option function from its
// row here (config/option_function.h).
#ifndef BCREADER_CONFIG_OPTION_CATALOG_H
#define BCREADER_CONFIG_OPTION_CATALOG_H

#include <cstddef>
#include <cstdint>

namespace bcr::catalog {

// The values an option takes through its exported function.
enum class ValueRange : uint8_t {
  kFlag,     // 0 off, 1 on
  kByte,     // 0..255
  kGapSize,  // 6 normal, 10 large
  kAny,      // any 32-bit signed value (kept by the library, never sent)
};

struct OptionName {
  const char *name;  // lower case, words joined by '_'; unique within its handler
  ValueRange range;
};

// Names by handler argument: entry i names the handler's argument i + 1.

inline constexpr OptionName kCode39Names[] = {
    {"enable", ValueRange::kFlag},
    {"trioptic", ValueRange::kFlag},
    {"convert_to_code32", ValueRange::kFlag},
    {"code32_prefix", ValueRange::kFlag},
    {"check_digit", ValueRange::kFlag},
    {"transmit_check_digit", ValueRange::kFlag},
    {"full_ascii", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
};

inline constexpr OptionName kUpcNames[] = {
    {"upca", ValueRange::kFlag},
    {"upce", ValueRange::kFlag},
    {"upce1", ValueRange::kFlag},
    {"supplementals", ValueRange::kByte},
    {"supplemental_redundancy", ValueRange::kByte},
    {"transmit_upca_check_digit", ValueRange::kFlag},
    {"transmit_upce_check_digit", ValueRange::kFlag},
    {"transmit_upce1_check_digit", ValueRange::kFlag},
    {"upca_preamble", ValueRange::kByte},
    {"upce_preamble", ValueRange::kByte},
    {"upce1_preamble", ValueRange::kByte},
    {"convert_upce_to_upca", ValueRange::kFlag},
    {"convert_upce1_to_upca", ValueRange::kFlag},
    {"coupon_extended", ValueRange::kFlag},
    {"upc_ean_option_44", ValueRange::kFlag},
    {"security_level", ValueRange::kByte},
};

inline constexpr OptionName kEanJanNames[] = {
    {"ean8", ValueRange::kFlag},
    {"ean13", ValueRange::kFlag},
    {"bookland", ValueRange::kFlag},
    {"supplementals", ValueRange::kByte},
    {"supplemental_redundancy", ValueRange::kByte},
    {"ean8_zero_extend", ValueRange::kFlag},
    {"coupon_extended", ValueRange::kFlag},
    {"upc_ean_option_44", ValueRange::kFlag},
    {"security_level", ValueRange::kByte},
};

inline constexpr OptionName kCode128Names[] = {
    {"enable", ValueRange::kFlag},
    {"gs1_128", ValueRange::kFlag},
    {"isbt128", ValueRange::kFlag},
    {"isbt_concatenation", ValueRange::kByte},
    {"isbt_concatenation_redundancy", ValueRange::kByte},
};

inline constexpr OptionName kCode93Names[] = {
    {"enable", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
};

inline constexpr OptionName kCode11Names[] = {
    {"enable", ValueRange::kFlag},
    {"check_digit", ValueRange::kByte},
    {"transmit_check_digit", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
};

inline constexpr OptionName kInterleaved2Of5Names[] = {
    {"enable", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
    {"check_digit", ValueRange::kByte},
    {"transmit_check_digit", ValueRange::kFlag},
    {"convert_to_ean13", ValueRange::kFlag},
};

inline constexpr OptionName kIndustrial2Of5Names[] = {
    {"enable", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
};

inline constexpr OptionName kCodabarNames[] = {
    {"enable", ValueRange::kFlag},        {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},       {"clsi_editing", ValueRange::kFlag},
    {"notis_editing", ValueRange::kFlag},
};

inline constexpr OptionName kMsiNames[] = {
    {"enable", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
    {"two_check_digits", ValueRange::kFlag},
    {"transmit_check_digit", ValueRange::kFlag},
    {"check_digit_algorithm", ValueRange::kByte},
};

inline constexpr OptionName kRssNames[] = {
    {"databar14", ValueRange::kFlag},
    {"limited", ValueRange::kFlag},
    {"expanded", ValueRange::kFlag},
    {"convert_to_upc_ean", ValueRange::kFlag},
};

inline constexpr OptionName kChinese2Of5Names[] = {
    {"enable", ValueRange::kFlag},
};

inline constexpr OptionName kPostalCodeNames[] = {
    {"us_postnet", ValueRange::kFlag},   {"us_planet", ValueRange::kFlag},
    {"uk_postal", ValueRange::kFlag},    {"transmit_uk_check_digit", ValueRange::kFlag},
    {"japan_postal", ValueRange::kFlag}, {"australian_postal", ValueRange::kFlag},
    {"dutch_postal", ValueRange::kFlag}, {"transmit_us_check_digit", ValueRange::kFlag},
};

inline constexpr OptionName kCompositeNames[] = {
    {"cc_c", ValueRange::kFlag},      {"cc_ab", ValueRange::kFlag},
    {"tlc39", ValueRange::kFlag},     {"upc_mode", ValueRange::kByte},
    {"beep_mode", ValueRange::kByte}, {"gs1_128_emulation", ValueRange::kFlag},
};

inline constexpr OptionName kSymbologySecurityLevelNames[] = {
    {"linear_level", ValueRange::kByte},
    {"upc_ean_level", ValueRange::kByte},
    {"intercharacter_gap", ValueRange::kGapSize},
};

// The escape-character option travels as 0 or 2; its exported function shows it as a flag.
inline constexpr OptionName kMacroPDFNames[] = {
    {"mode", ValueRange::kByte},
    {"transmit_control_header", ValueRange::kFlag},
    {"escape_characters", ValueRange::kFlag},
};

inline constexpr OptionName kMatrix2Of5Names[] = {
    {"enable", ValueRange::kFlag},      {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},     {"redundancy", ValueRange::kFlag},
    {"check_digit", ValueRange::kFlag}, {"transmit_check_digit", ValueRange::kFlag},
};

inline constexpr OptionName kSymbologiesNames[] = {
    {"pdf417", ValueRange::kFlag},
    {"micropdf417", ValueRange::kFlag},
    {"code128_emulation", ValueRange::kFlag},
    {"datamatrix", ValueRange::kFlag},
    {"datamatrix_inverse", ValueRange::kByte},
    {"datamatrix_mirror", ValueRange::kByte},
    {"maxicode", ValueRange::kFlag},
    {"qrcode", ValueRange::kFlag},
    {"qrcode_inverse", ValueRange::kByte},
    {"microqr", ValueRange::kFlag},
    {"aztec", ValueRange::kFlag},
    {"aztec_inverse", ValueRange::kByte},
};

// Parameters whose meaning is the engine's are named after their number.
inline constexpr OptionName kMiscellaneousOptionNames[] = {
    {"param_2d", ValueRange::kByte}, {"param_69", ValueRange::kByte},
    {"param_68", ValueRange::kByte}, {"param_6a", ValueRange::kByte},
    {"param_eb", ValueRange::kByte}, {"param_5e", ValueRange::kFlag},
};

inline constexpr OptionName kUserPreferences2DNames[] = {
    {"timeout", ValueRange::kByte},
    {"param_89", ValueRange::kByte},
    {"trigger_mode", ValueRange::kByte},
};

inline constexpr OptionName kUserPreferences1DNames[] = {
    {"timeout", ValueRange::kByte},      {"param_bf", ValueRange::kByte},
    {"param_89", ValueRange::kByte},     {"param_4e", ValueRange::kByte},
    {"param_43", ValueRange::kFlag},     {"kept_value", ValueRange::kAny},
    {"trigger_mode", ValueRange::kByte},
};

// Every handler takes at most this many arguments, every exported option function at most this
// many option pointers.
constexpr size_t kMaxArgs = 16;

// The engine an exported option function serves: _1D_SE955 functions the one-dimensional
// engine, _2D_4507 functions the imager.
enum class Engine : uint8_t { kSE955, k4507 };

// The device type the library gives the engine (see DeviceType in link/engine_link.h).
int32_t DeviceTypeOf(Engine engine);

// An exported option function: its name, its engine, the parameter handler behind it (the one
// whose options the names array names) and for each of its option pointers the handler argument
// it reaches (0: the pointer only counts towards "something was asked for"; the function passes
// nothing on for it).
struct OptionFunction {
  const char *name;  // null: the symbology has no function for this engine
  Engine engine;
  const OptionName *names;  // the handler's options, by argument
  uint8_t nameCount;        // the handler's argument count
  uint8_t argCount;
  uint8_t handlerArg[kMaxArgs];
  // The handler argument (0: none) that the function shows as 0 or 1 while the engine holds 0 or
  // flagOn.
  uint8_t flagArg;
  uint8_t flagOn;
  // The decode time-out, parameter 0x89 and the trigger mode are translated on their way (see
  // config/preferences.h).
  bool preferences;
};

struct SymbologyOptions {
  const char *key;    // the name programs use, e.g. "code93"
  const char *title;  // for people, e.g. "Code 93"
  OptionFunction se955;
  OptionFunction imager4507;
};

namespace rows {

// A function whose pointers reach the handler's arguments 1..count in order.
template <size_t N>
constexpr OptionFunction Straight(const char *name, const OptionName (&names)[N], uint8_t count) {
  OptionFunction function{name, Engine::kSE955, names, static_cast<uint8_t>(N), count, {}, 0,
                          0,    false};
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

// The same function showing handler argument arg as a flag that travels as on.
constexpr OptionFunction FlagTravelsAs(OptionFunction function, uint8_t arg, uint8_t on) {
  function.flagArg = arg;
  function.flagOn = on;
  return function;
}

constexpr OptionFunction Preferences(OptionFunction function) {
  function.preferences = true;
  return function;
}

constexpr OptionFunction kNone{nullptr, Engine::kSE955, nullptr, 0, 0, {}, 0, 0, false};

constexpr SymbologyOptions Entry(const char *key, const char *title, OptionFunction se955,
                                 OptionFunction imager4507) {
  se955.engine = Engine::kSE955;
  imager4507.engine = Engine::k4507;
  return {key, title, se955, imager4507};
}

// The engine's value for escape characters in the GLI protocol.
constexpr uint8_t kEscapeGli = 2;

}  // namespace rows

constexpr size_t kSymbologyOptionsCount = 20;

// Every entry, in a stable order.
inline constexpr SymbologyOptions kEntries[] = {
    rows::Entry("code39", "Code 39", rows::Straight("Code39_1D_SE955", kCode39Names, 9),
                rows::Straight("Code39_2D_4507", kCode39Names, 9)),
    // The 4507-only option 44 (handler argument 15) has no pointer in either function.
    rows::Entry("upc", "UPC", rows::LastReaches(rows::Straight("Upc_1D_SE955", kUpcNames, 15), 16),
                rows::Straight("Upc_2D_4507", kUpcNames, 14)),
    rows::Entry("eanjan", "EAN/JAN",
                rows::LastReaches(rows::Straight("EanJan_1D_SE955", kEanJanNames, 8), 9),
                rows::Straight("EanJan_2D_4507", kEanJanNames, 7)),
    rows::Entry("code128", "Code 128", rows::Straight("Code128_1D_SE955", kCode128Names, 3),
                rows::Straight("Code128_2D_4507", kCode128Names, 5)),
    rows::Entry("code93", "Code 93", rows::Straight("Code93_1D_SE955", kCode93Names, 3),
                rows::Straight("Code93_2D_4507", kCode93Names, 3)),
    rows::Entry("code11", "Code 11", rows::Straight("Code11_1D_SE955", kCode11Names, 5),
                rows::Straight("Code11_2D_4507", kCode11Names, 5)),
    rows::Entry("i2of5", "Interleaved 2 of 5",
                rows::Straight("Interleaved2Of5_1D_SE955", kInterleaved2Of5Names, 6),
                rows::Straight("Interleaved2Of5_2D_4507", kInterleaved2Of5Names, 6)),
    rows::Entry("d2of5", "Industrial (Discrete) 2 of 5",
                rows::Straight("Industrial2Of5_1D_SE955", kIndustrial2Of5Names, 3),
                rows::Straight("Industrial2Of5_2D_4507", kIndustrial2Of5Names, 3)),
    rows::Entry("codabar", "Codabar", rows::Straight("Codabar_1D_SE955", kCodabarNames, 5),
                rows::Straight("Codabar_2D_4507", kCodabarNames, 5)),
    rows::Entry("msi", "MSI", rows::Straight("Msi_1D_SE955", kMsiNames, 6),
                rows::Straight("Msi_2D_4507", kMsiNames, 6)),
    // Also exported as Rss_1D_SE955 and Rss_2D_4507, the same entries under older names.
    rows::Entry("gs1databar", "GS1 DataBar", rows::Straight("GS1_DataBar_1D_SE955", kRssNames, 4),
                rows::Straight("GS1_DataBar_2D_4507", kRssNames, 4)),
    rows::Entry("chinese2of5", "Chinese 2 of 5",
                rows::Straight("Chinese2Of5_1D_SE955", kChinese2Of5Names, 1),
                rows::Straight("Chinese2Of5_2D_4507", kChinese2Of5Names, 1)),
    rows::Entry("postal", "Postal codes", rows::kNone,
                rows::Straight("PostalCode_2D_4507", kPostalCodeNames, 8)),
    rows::Entry("composite", "Composite codes", rows::kNone,
                rows::Straight("Composite_2D_4507", kCompositeNames, 6)),
    rows::Entry("security", "Decode security", rows::kNone,
                rows::Straight("SymbologySecurityLevel_2D_4507", kSymbologySecurityLevelNames, 3)),
    rows::Entry("macropdf", "Macro PDF", rows::kNone,
                rows::FlagTravelsAs(rows::Straight("MacroPDF_2D_4507", kMacroPDFNames, 3), 3,
                                    rows::kEscapeGli)),
    rows::Entry("matrix2of5", "Matrix 2 of 5", rows::kNone,
                rows::Straight("Matrix2Of5_2D_4507", kMatrix2Of5Names, 6)),
    rows::Entry("symbologies2d", "Two-dimensional symbologies", rows::kNone,
                rows::Straight("Symbologies_2D_4507", kSymbologiesNames, 12)),
    // Pointer 5 of the SE955 function only counts towards "something was asked for".
    rows::Entry(
        "preferences", "User preferences",
        rows::Preferences(rows::Skipping(
            rows::Straight("UserPreferences_1D_SE955", kUserPreferences1DNames, 7), 5)),
        rows::Preferences(rows::Straight("UserPreferences_2D_4507", kUserPreferences2DNames, 3))),
    // Pointer 2 only counts towards "something was asked for".
    rows::Entry(
        "misc",
        "Miscellaneous option",
        rows::Skipping(rows::Straight("MiscellaneousOption_1D_SE955", kMiscellaneousOptionNames, 2),
                       2),
        rows::Skipping(rows::Straight("MiscellaneousOption_2D_4507", kMiscellaneousOptionNames, 2),
                       2)),
};
static_assert(sizeof(kEntries) / sizeof(kEntries[0]) == kSymbologyOptionsCount);

// The exported option functions by index: entry e's SE955 function at 2e, its 4507 one at 2e + 1.
constexpr size_t kFunctionSlots = 2 * kSymbologyOptionsCount;

constexpr const OptionFunction &FunctionAt(size_t index) {
  const SymbologyOptions &entry = kEntries[index / 2];
  return index % 2 == 0 ? entry.se955 : entry.imager4507;
}

// Texts compared where a constant expression needs it (std::strcmp is no constant expression).
constexpr bool SameText(const char *a, const char *b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

// The index of the function of that name, kFunctionSlots when none has it.
constexpr size_t FunctionIndex(const char *name) {
  for (size_t i = 0; i < kFunctionSlots; ++i) {
    if (FunctionAt(i).name != nullptr && SameText(FunctionAt(i).name, name)) return i;
  }
  return kFunctionSlots;
}

// Every entry, kSymbologyOptionsCount of them.
const SymbologyOptions *CatalogEntries();

// The entry of a key (compared exactly), nullptr when none.
const SymbologyOptions *FindSymbologyOptions(const char *key);

// The function of the engine of that device type (see DeviceTypeOf); nullptr for any other type
// or when the symbology has no function for that engine.
const OptionFunction *FunctionFor(const SymbologyOptions &entry, int32_t deviceType);

// The name of the option behind argument index (0-based) of the function, nullptr when the
// argument reaches no handler option or index is out of range.
const OptionName *ArgumentOption(const OptionFunction &function, size_t index);

// The 0-based argument of the function that carries the named option, -1 when none does.
int FindArgument(const OptionFunction &function, const char *name);

// True when value is one that range admits.
bool InRange(ValueRange range, int64_t value);

}  // namespace bcr::catalog

#endif  // BCREADER_CONFIG_OPTION_CATALOG_H
