#include "api/export.h"
#include "api/guard.h"
#include "bcreader.h"
#include "decode/output_record.h"
#include "decode/output_settings.h"
#include "reader/globals.h"

BCR_EXPORT int32_t GetOutputRecord(int32_t device, char *buffer, int32_t size) {
  return bcr::api::Guard([&] { return bcr::OutputRecord(bcr::TheReader(), device, buffer, size); });
}

// BcrWideChar is a 16-bit unit on every platform (WCHAR on Windows).
static_assert(sizeof(BcrWideChar) == sizeof(uint16_t), "16-bit characters");

BCR_EXPORT int32_t GetOutputRecordWideChar(int32_t device, BcrWideChar *buffer, int32_t size) {
  return bcr::api::Guard([&] {
    return bcr::OutputRecordWide(bcr::TheReader(), device, reinterpret_cast<uint16_t *>(buffer),
                                 size);
  });
}

BCR_EXPORT int32_t ConvertByteToWideChar(const char *source, int32_t sourceLength,
                                         BcrWideChar *destination, int32_t destinationLength) {
  return bcr::api::Guard([&] {
    return bcr::ConvertByteToWide(source, sourceLength, reinterpret_cast<uint16_t *>(destination),
                                  destinationLength);
  });
}

BCR_EXPORT int32_t DataOutputSettings(int32_t mode, int32_t *keyboardOutput,
                                      int32_t *terminatorPlacement, int32_t *terminatorKey,
                                      int32_t *codeId, int32_t *length, char *prefix,
                                      int32_t prefixSize, char *suffix, int32_t suffixSize) {
  return bcr::api::Guard([&] {
    return bcr::OutputSettings(mode, keyboardOutput, terminatorPlacement, terminatorKey, codeId,
                               length, prefix, prefixSize, suffix, suffixSize);
  });
}
