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

// Read time-out of one read call: readConstant + readMultiplier * bytes asked for, in ms, cut to
// the platform's longest wait (on Linux 2^31 - 1 ms, about 24.8 days; a write's the same).
// With both 0 a read returns at once with whatever is there. readInterval is kept but not used.
struct PortTimeouts {
  uint32_t readInterval = 0;
  uint32_t readMultiplier = 0;
  uint32_t readConstant = 0;
  uint32_t writeMultiplier = 0;
  uint32_t writeConstant = 0;
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
bool PortGetTimeouts(Port *port, PortTimeouts *timeouts);
bool PortSetTimeouts(Port *port, const PortTimeouts &timeouts);
// Reads up to size bytes; waits at most the read time-out for the first. A time-out is a
// success with *received 0.
bool PortRead(Port *port, uint8_t *buffer, uint32_t size, uint32_t *received);
// Ends a PortRead of another thread that waits for its first byte, as a time-out would (the next
// such read when none waits now); with wake false, takes back a wake no read has taken. Does not
// block.
void PortWake(Port *port, bool wake = true);
// The bytes received and not yet read, at once, without waiting.
bool PortInputWaiting(Port *port, uint32_t *count);
bool PortWrite(Port *port, const uint8_t *data, uint32_t size, uint32_t *written);
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
