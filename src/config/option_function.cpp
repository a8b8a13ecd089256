#include "config/option_function.h"

#include "state/results.h"
#include "state/scan_engine.h"

namespace bcr {

int32_t CheckOptionCall(const ScanEngine &reader, int32_t ownEngine,
                        std::initializer_list<int32_t *> given) {
  bool any = false;
  for (int32_t *pointer : given) any = any || pointer != nullptr;
  if (!any) return 0;
  if (reader.DeviceType() != ownEngine) return kResultOtherEngine;
  return 1;
}

int32_t RunOptionFunction(ScanEngine &reader, int32_t ownEngine, const ParamHandler &handler,
                          int32_t mode, std::initializer_list<int32_t *> given,
                          std::initializer_list<int32_t *> passed) {
  int32_t check = CheckOptionCall(reader, ownEngine, given);
  if (check != 1) return check;
  return CallHandler(handler, reader, mode, passed);
}

}  // namespace bcr
