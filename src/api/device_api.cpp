#include "api/export.h"
#include "api/guard.h"
#include "bcreader.h"
#include "reader/device_queries.h"
#include "reader/globals.h"
#include "state/library_state.h"

BCR_EXPORT int32_t GetReaderType(void) {
  return bcr::api::Guard([&] { return bcr::ReaderType(bcr::TheReader()); });
}

BCR_EXPORT int32_t GetActiveDevice(void) {
  return bcr::api::Guard([&] { return bcr::ActiveDevice(bcr::TheReader()); });
}

BCR_EXPORT int32_t SetActiveDevice(int32_t device) {
  return bcr::api::Guard([&] { return bcr::SwitchReader(bcr::TheReader(), device); });
}

BCR_EXPORT int32_t GetDllVer(char *buffer, int32_t size) {
  return bcr::api::Guard([&] { return bcr::DllVersion(buffer, size); });
}

BCR_EXPORT int32_t GetDecoderVersion(int32_t kind, char *buffer, int32_t size) {
  return bcr::api::Guard([&] { return bcr::DecoderVersion(bcr::TheReader(), kind, buffer, size); });
}
