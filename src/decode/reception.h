// Receiving decodes: a decode the line reader took off the line becomes one immutable Decode,
// kept for the roads by its sequence number and announced to the reader's window.
#ifndef BCREADER_DECODE_RECEPTION_H
#define BCREADER_DECODE_RECEPTION_H

#include <cstdint>

#include "state/library_globals.h"

namespace bcr {

// How a reception was started: by a trigger press, or by the auto-trigger (continuous modes).
enum class Reception { kPressed, kAutomatic };

// A trigger press, as its message is dispatched: postedMs is when it was posted (platform
// clock). Its reception takes the first decode that began to arrive after that moment, however
// late the decode worker starts. Presses that one reception serves: the first one draws the line.
void NotePress(ScanEngine &reader, uint64_t postedMs);
// One reception of waitMs. A reception of a press takes the first decode that began after the
// press (what came before is stale, discarded and counted); one of the auto-trigger takes the
// next decode whatever its time (the engine scans continuously). The port stays free meanwhile.
// Nothing while the reader is inactive. out is written only on success, and the DecodeResult
// then holds the same decode; a reception that ends without one empties the DecodeResult's data
// (not when another reception received a decode meanwhile).
int ReceiveDecode(ScanEngine &reader, Decode &out, uint32_t waitMs, Reception kind);
// The library keeps two last decodes: the DecodeResult inside the reader object, written by
// every reception (the synchronous read's included, a failed one emptying its data) and read by
// the output record, and the published LastDecodeData, written only by the decode thread's
// successful receptions and read by GetDecodeData.

// The synchronous read, with the exported results: it takes the first decode that began after
// the engine answered its start decode. Its decode becomes the DecodeResult, not the published
// one, and is announced to the reader's window like one of the decode thread. A read whose start
// decode failed changes neither.
int32_t ReadBarcode(ScanEngine &reader, const LibraryState &state, uint32_t *codeType, char *buffer,
                    int32_t size);
// The published LastDecodeData into the caller's buffer, with the exported results.
int32_t CopyLastDecodeData(const ScanEngine &reader, char *buffer, int32_t size);

// The decode worker: collects one decode per wake-up and hands it to the window. Thread body;
// its parameter is the library's globals.
void DecodeThread(void *globals);

}  // namespace bcr

#endif  // BCREADER_DECODE_RECEPTION_H
