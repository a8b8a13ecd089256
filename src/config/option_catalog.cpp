#include "config/option_catalog.h"

#include <cstring>
#include <iterator>

#include "link/engine_link.h"

namespace bcr::catalog {

int32_t DeviceTypeOf(Engine engine) {
  return engine == Engine::kSE955 ? kEngineSE955 : kImager4507;
}

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
  const OptionFunction *function = deviceType == kEngineSE955  ? &entry.se955
                                   : deviceType == kImager4507 ? &entry.imager4507
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
