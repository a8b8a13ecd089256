#include "api/export.h"
#include "bcreader.h"
#include "core/lifecycle.h"

BCR_EXPORT int32_t InitReader(void) {
  return bcr::InitReader();
}

BCR_EXPORT int32_t InitReaderForNet(void) {
  return bcr::InitReaderForNet();
}
