// Receiving decodes: one decode-data frame (possibly in several packets) becomes the reader's
// DecodeResult.
#ifndef BCREADER_DECODE_RECEPTION_H
#define BCREADER_DECODE_RECEPTION_H

#include <cstdint>

#include "state/library_globals.h"

namespace bcr {

// Start and stop decode for the reader: SetDecoding's result ANDed with enable; 0 without
// sending when enable is 0 or the reader is not active.
int StartDecode(ScanEngine &reader, uint32_t enable);
int StopDecode(ScanEngine &reader, uint32_t enable);

// How a reception was started: by a trigger press, by the auto-trigger (continuous modes), or
// inside a synchronous read (which has discarded stale input before its start decode).
enum class Reception { kPressed, kAutomatic, kSynchronous };

// Takes the port within the link's transfer wait and listens for the rest of it for a decode,
// acknowledges it and keeps it as the DecodeResult (also copied to *received). A failed
// reception leaves the DecodeResult's data empty or partial, its code type and name as they were.
int ReceiveDecodeFrame(ScanEngine &reader, Decode *received);
// A trigger press, as its message is dispatched: when the port is free, it notes where the input
// stands, so that its reception later reads away only what had come before the press.
void NotePress(ScanEngine &reader);
// One reception of waitMs, counted from the call: the wait for the port comes out of it. A
// reception started by a trigger press first reads away (and counts) what arrived while no
// reception was listening (before the press, or before the reception started when the port was
// busy at the press); one of the auto-trigger keeps it (the engine scans continuously), and
// gives way to an option call waiting for the port when the line is quiet at its start. Nothing
// while the reader is inactive. out is written only on success.
int ReceiveDecode(ScanEngine &reader, Decode &out, uint32_t waitMs, Reception kind);
// The library keeps two last decodes: the DecodeResult inside the reader object, written by
// every reception (the synchronous read's included) and read by the output record, and the
// published LastDecodeData, written only by the decode thread and read by GetDecodeData.

// A copy of the DecodeResult; always 1.
int GetLastDecode(const ScanEngine &reader, Decode &out);

// The synchronous read, with the exported results: its decode becomes the DecodeResult, not the
// published one, and is announced to the reader's window like one of the decode thread.
int32_t ReadBarcode(ScanEngine &reader, const LibraryState &state, uint32_t *codeType, char *buffer,
                    int32_t size);
// The published LastDecodeData into the caller's buffer, with the exported results.
int32_t CopyLastDecodeData(const ScanEngine &reader, char *buffer, int32_t size);

// The decode worker: collects one decode per wake-up and hands it to the window. Thread body;
// its parameter is the library's globals.
void DecodeThread(void *globals);

}  // namespace bcr

#endif  // BCREADER_DECODE_RECEPTION_H
