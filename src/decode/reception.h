// Receiving decodes: one decode-data frame (possibly in several packets) becomes the reader's
// DecodeResult.
#ifndef BCREADER_DECODE_RECEPTION_H
#define BCREADER_DECODE_RECEPTION_H

#include <cstdint>

#include "state/published_decode.h"

namespace bcr {

class Reader;

// How a reception was started: by a trigger press, by the auto-trigger (continuous modes), or
// inside a synchronous read (which has discarded stale input before its start decode).
enum class Reception { kPressed, kAutomatic, kSynchronous };

// Takes the port within the link's transfer wait and listens for the rest of it for a decode,
// acknowledges it and keeps it as the DecodeResult (also copied to *received). A failed
// reception leaves the DecodeResult's data empty or partial, its code type and name as they were.
int ReceiveDecodeFrame(Reader &reader, Decode *received);
// One reception of waitMs, counted from the call: the wait for the port comes out of it. A
// reception started by a trigger press first reads away (and counts) what arrived while no
// reception was listening; one of the auto-trigger keeps it (the engine scans continuously), and
// gives way to an option call waiting for the port when the line is quiet at its start. Nothing
// while the reader is inactive. out is written only on success.
int ReceiveDecode(Reader &reader, Decode &out, uint32_t waitMs, Reception kind);
// A copy of the DecodeResult; always 1.
int GetLastDecode(const Reader &reader, Decode &out);

// The synchronous read and the read of the last delivered decode, with the exported results.
int32_t ReadBarcode(Reader &reader, uint32_t *codeType, char *buffer, int32_t size);
int32_t CopyLastDecodeData(const Reader &reader, char *buffer, int32_t size);

}  // namespace bcr

#endif  // BCREADER_DECODE_RECEPTION_H
