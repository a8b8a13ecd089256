#include "api/export.h"
#include "api/guard.h"
#include "bcreader.h"
#include "decode/code_types.h"
#include "decode/reception.h"
#include "reader/globals.h"
#include "state/library_state.h"
#include "state/published_decode.h"
#include "state/scan_engine.h"

BCR_EXPORT int32_t ReadBarcodeData(uint32_t *codeType, char *buffer, int32_t size) {
  return bcr::api::Guard(
      [&] { return bcr::ReadBarcode(bcr::TheReader(), bcr::State(), codeType, buffer, size); });
}

BCR_EXPORT int32_t GetDecodeData(char *buffer, int32_t size) {
  return bcr::api::Guard([&] { return bcr::CopyLastDecodeData(bcr::TheReader(), buffer, size); });
}

BCR_EXPORT int32_t GetDecodeType(void) {
  return bcr::api::Guard(
      [&] { return bcr::DecodeTypeResult(bcr::TheReader().DeviceType(), bcr::LastCodeType()); });
}
