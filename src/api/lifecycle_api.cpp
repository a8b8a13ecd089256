#include "api/export.h"
#include "api/guard.h"
#include "bcreader.h"
#include "reader/device_queries.h"
#include "reader/lifecycle.h"

// A start that cannot get its resources (memory) reports it as the window that could not be made.
BCR_EXPORT int32_t InitReader(void) {
  return bcr::api::Guard([&] { return bcr::InitReader(); }, bcr::kResultNoWindow);
}

BCR_EXPORT int32_t InitReaderForNet(void) {
  return bcr::api::Guard([&] { return bcr::InitReaderForNet(); }, bcr::kResultNoWindow);
}
