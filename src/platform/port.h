// Serial port primitives of the platform layer. Each call mirrors one operating-system service
// of the terminal; the protocol above decides what to do with the results.
//
// Thread rules: a port may be used by two threads at once (an option call while the decode thread
// waits on it). The calls stay memory-safe then; no call holds a lock while it waits.
// Errors: a failed call returns false (or nullptr) and leaves the reason in LastError().
#ifndef BCREADER_PLATFORM_PORT_H
#define BCREADER_PLATFORM_PORT_H

#include <cstdint>

namespace bcr::platform {

struct Port;  // an open serial port

struct LineSettings {
  uint32_t baudRate = 0;
  uint8_t byteSize = 8;
  uint8_t parity = 0;    // 0 none
  uint8_t stopBits = 0;  // 0 one stop bit
  bool ctsFlow = false;  // output paced by CTS
  bool rtsFlow = false;  // RTS driven for flow control
};

enum PurgeFlag : uint32_t {
  kPurgeTxAbort = 0x01,
  kPurgeRxAbort = 0x02,
  kPurgeTxClear = 0x04,
  kPurgeRxClear = 0x08,
  kPurgeAll = 0x0F,
};

// Opens the port a name such as "COM2:" stands for, exclusively. nullptr on failure.
Port *PortOpen(const char *name);
// Opens the serial port of that number ("COM<number>:"), as PortOpen.
Port *PortOpenNumber(uint32_t number);
void PortClose(Port *port);
bool PortSetup(Port *port, uint32_t inQueue, uint32_t outQueue);
// Discards what was received and not yet read, and output not yet sent.
bool PortPurge(Port *port, uint32_t flags);
bool PortGetLine(Port *port, LineSettings *line);
bool PortSetLine(Port *port, const LineSettings &line);
// Reads up to size bytes within waitMs (0: only what is there), cut to the platform's longest wait
// (on Linux 2^31 - 1 ms, about 24.8 days). A time-out is a success with what came, maybe nothing.
bool PortRead(Port *port, uint8_t *buffer, uint32_t size, uint32_t waitMs, uint32_t *received);
// Ends a PortRead of another thread that waits for its first byte, as a time-out would (the next
// such read when none waits now); with wake false, takes back a wake no read has taken. Does not
// block.
void PortWake(Port *port, bool wake = true);
// The bytes received and not yet read, at once, without waiting.
bool PortInputWaiting(Port *port, uint32_t *count);
// Writes within waitMs (0: a bound of the platform's, 10 s, so a stuck line cannot hang the
// caller); a time-out is a success with what went out.
bool PortWrite(Port *port, const uint8_t *data, uint32_t size, uint32_t waitMs, uint32_t *written);
// The framing errors the port's driver counted since the port opened (bytes received at another
// speed than the line's); false where the driver tells none (a pseudo-terminal).
bool PortFramingErrors(Port *port, uint32_t *count);

// The error code of the calling thread's last failed platform call (errno on Linux).
uint32_t LastError();
// Whether a port call's error says the device itself is gone (hung up, unplugged, removed), as
// opposed to a refused setting or a bad argument: the port must be opened anew.
bool PortGoneError(uint32_t error);
void SetLastError(uint32_t error);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_PORT_H
