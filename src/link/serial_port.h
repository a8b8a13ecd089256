// The port operations every exchange with the engine is built from. Each returns 1 or 0 and,
// when a platform call fails, keeps its error code in the link. None of them retries.
#ifndef BCREADER_LINK_SERIAL_PORT_H
#define BCREADER_LINK_SERIAL_PORT_H

#include <cstdint>

#include "link/engine_link.h"
#include "link/frame.h"

namespace bcr {

constexpr uint32_t kPortQueueSize = 4096;

// Opens "COM<portNumber>:", purges its queues and starts the line reader. The speed is not set.
int OpenPort(EngineLink &link);
// Stops the line reader, purges and closes an open port; a closed link is left as it is.
void ClosePort(EngineLink &link);
// 8N1 without hardware flow control at the speed. The speed is recorded in the link before it
// is applied, so the link holds it also when the port refuses it.
int SetPortSpeed(EngineLink &link, uint32_t speed);
// Every read and write takes its own wait, in ms: threads that use the port at the same time never
// change each other's.
// One byte from the port within waitMs; 0 (and *out 0) when none came.
int ReadPortByte(EngineLink &link, uint8_t *out, uint32_t waitMs);
// Writes the frame in one call, within waitMs. Nothing received is purged: the line reader reads
// everything. A partial write counts as written. onlyIfQuiet: nothing is written while received
// bytes wait to be read (kInputArriving): a request written as the engine begins a decode of
// several packets would make it give that decode up.
constexpr int kInputArriving = -1;
// Ends the line reader's wait for a frame to begin; with wake false, takes back a wake it did not
// take.
void WakeLine(EngineLink &link, bool wake = true);
// The framing errors the port counted so far; 0 where the port tells none.
int FramingErrors(EngineLink &link, uint32_t *count);
int WritePortFrame(EngineLink &link, const Bytes &frame, uint32_t waitMs, bool onlyIfQuiet = false);

}  // namespace bcr

#endif  // BCREADER_LINK_SERIAL_PORT_H
