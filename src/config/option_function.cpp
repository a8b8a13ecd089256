#include "config/option_function.h"

#include "config/handlers.h"
#include "config/param_handler.h"
#include "config/preferences.h"
#include "state/results.h"
#include "state/scan_engine.h"

namespace bcr {

namespace {

bool AnyGiven(int32_t *const *args, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (args[i] != nullptr) return true;
  }
  return false;
}

// The preferences translate their values on the way (config/preferences.h).
int32_t RunPreferences(ScanEngine &reader, const catalog::OptionFunction &function, int32_t mode,
                       int32_t *const *a) {
  if (function.engine == catalog::Engine::k4507) {
    return UserPreferences4507(reader, mode, a[0], a[1], a[2]);
  }
  return UserPreferencesSE955(reader, mode, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
}

// A handler argument the function shows as a flag: a set flag is written as the engine's value
// for it, and whatever non-zero value a read gives is shown as 1.
int32_t RunWithFlag(const ParamHandler &handler, const catalog::OptionFunction &function,
                    ScanEngine &reader, int32_t mode, int32_t **passed) {
  int32_t *&flag = passed[function.flagArg - 1];
  if (mode == kModeWrite) {
    int32_t on = function.flagOn;
    if (flag != nullptr && *flag != 0) flag = &on;
    return CallHandler(handler, reader, mode, passed, function.nameCount);
  }
  if (mode != kModeRead) return 0;
  int32_t result = CallHandler(handler, reader, mode, passed, function.nameCount);
  if (flag != nullptr && *flag != 0) *flag = 1;
  return result;
}

}  // namespace

int32_t CheckOptionCall(const ScanEngine &reader, int32_t ownEngine,
                        std::initializer_list<int32_t *> given) {
  if (!AnyGiven(given.begin(), given.size())) return 0;
  if (reader.DeviceType() != ownEngine) return kResultOtherEngine;
  return 1;
}

int32_t RunOptionFunction(ScanEngine &reader, const catalog::OptionFunction &function, int32_t mode,
                          int32_t *const *args, size_t count) {
  if (count != function.argCount || count > catalog::kMaxArgs) return 0;
  if (!AnyGiven(args, count)) return 0;
  if (reader.DeviceType() != catalog::DeviceTypeOf(function.engine)) return kResultOtherEngine;
  if (function.preferences) return RunPreferences(reader, function, mode, args);
  const ParamHandler *handler = HandlerNamed(function.names);
  if (handler == nullptr || function.nameCount > kMaxHandlerArgs) return 0;
  int32_t *passed[kMaxHandlerArgs] = {};
  for (size_t i = 0; i < count; ++i) {
    const uint8_t arg = function.handlerArg[i];
    if (arg >= 1 && arg <= function.nameCount) passed[arg - 1] = args[i];
  }
  if (function.flagArg >= 1 && function.flagArg <= function.nameCount) {
    return RunWithFlag(*handler, function, reader, mode, passed);
  }
  return CallHandler(*handler, reader, mode, passed, function.nameCount);
}

int32_t RunOptionFunction(ScanEngine &reader, const catalog::OptionFunction &function, int32_t mode,
                          std::initializer_list<int32_t *> args) {
  return RunOptionFunction(reader, function, mode, args.begin(), args.size());
}

}  // namespace bcr
