#include "api/export.h"
#include "api/guard.h"
#include "bcreader.h"
#include "core/device_queries.h"
#include "core/library_state.h"

BCR_EXPORT int32_t GetReaderType(void) {
  return bcr::api::Guard([&] { return bcr::ReaderType(bcr::Engine()); });
}

BCR_EXPORT int32_t GetActiveDevice(void) {
  return bcr::api::Guard([&] { return bcr::ActiveDevice(bcr::Engine()); });
}

BCR_EXPORT int32_t SetActiveDevice(int32_t device) {
  return bcr::api::Guard([&] { return bcr::SwitchReader(bcr::Engine(), device); });
}

BCR_EXPORT int32_t GetDllVer(char *buffer, int32_t size) {
  return bcr::api::Guard([&] { return bcr::DllVersion(buffer, size); });
}

BCR_EXPORT int32_t GetDecoderVersion(int32_t kind, char *buffer, int32_t size) {
  return bcr::api::Guard([&] { return bcr::DecoderVersion(bcr::Engine(), kind, buffer, size); });
}
