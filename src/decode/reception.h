// Receiving decodes: one decode-data frame (possibly in several packets) becomes the reader's
// DecodeResult.
#ifndef BCREADER_DECODE_RECEPTION_H
#define BCREADER_DECODE_RECEPTION_H

#include <cstdint>

#include "core/published_decode.h"

namespace bcr {

class ScanEngine;

// Waits the link's transfer wait for a decode, acknowledges it and keeps it as the DecodeResult
// (also copied to *received). A failed reception leaves the DecodeResult's data empty or
// partial, its code type and name as they were.
int ReceiveDecodeFrame(ScanEngine &engine, Decode *received);
// One reception of waitMs, under the link lock in the continuous trigger modes. Nothing while
// the reader is inactive. out is written only on success.
int ReceiveDecode(ScanEngine &engine, Decode &out, uint32_t waitMs);
// A copy of the DecodeResult; always 1.
int GetLastDecode(const ScanEngine &engine, Decode &out);

// The synchronous read and the read of the last delivered decode, with the exported results.
int32_t ReadBarcode(ScanEngine &engine, uint32_t *codeType, char *buffer, int32_t size);
int32_t CopyLastDecodeData(const ScanEngine &engine, char *buffer, int32_t size);

}  // namespace bcr

#endif  // BCREADER_DECODE_RECEPTION_H
