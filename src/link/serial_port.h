// The port operations every exchange with the engine is built from. Each returns 1 or 0 and,
// when a platform call fails, keeps its error code in the link. None of them retries.
#ifndef BCREADER_LINK_SERIAL_PORT_H
#define BCREADER_LINK_SERIAL_PORT_H

#include <cstdint>

#include "link/engine_link.h"
#include "link/frame.h"

namespace bcr {

constexpr uint32_t kPortQueueSize = 4096;

// Opens "COM<portNumber>:", purges its queues and starts the line reader. Neither speed nor
// time-outs are set.
int OpenPort(EngineLink &link);
// Stops the line reader, purges and closes an open port; a closed link is left as it is.
void ClosePort(EngineLink &link);
// 8N1 without hardware flow control at the speed. The speed is recorded in the link before it
// is applied, so the link holds it also when the port refuses it.
int SetPortSpeed(EngineLink &link, uint32_t speed);
// Selector 'r' sets the per-byte read limit, 'w' the write limit, in ms, for the reads and writes
// that follow. 0 when the value equals the current one (nothing changed) or for any other
// selector.
int SetPortTimeout(EngineLink &link, uint32_t value, uint32_t selector);
// One byte within the read time-out; 0 (and *out 0) when none came.
int ReadPortByte(EngineLink &link, uint8_t *out);
// Writes the frame in one call. Nothing received is purged: the line reader reads
// everything. A partial write counts as written. onlyIfQuiet: nothing is written while received
// bytes wait to be read (kInputArriving): a request written as the engine begins a decode of
// several packets would make it give that decode up.
constexpr int kInputArriving = -1;
// Ends the line reader's wait for a frame to begin; with wake false, takes back a wake it did not
// take.
void WakeLine(EngineLink &link, bool wake = true);
// The framing errors the port counted so far; 0 where the port tells none.
int FramingErrors(EngineLink &link, uint32_t *count);
int WritePortFrame(EngineLink &link, const Bytes &frame, bool onlyIfQuiet = false);

}  // namespace bcr

#endif  // BCREADER_LINK_SERIAL_PORT_H
