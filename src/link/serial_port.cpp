#include "link/serial_port.h"

#include <vector>

#include "link/link_internals.h"
#include "link/wire_trace.h"

namespace bcr {

namespace {

using In = LinkInternals;

int Failed(EngineLink &link) {
  In::LastError(link) = platform::LastError();
  return 0;
}

// A platform call that returned false: a device gone is reported.
int PortFailed(EngineLink &link) {
  Failed(link);
  NotePortError(link.Health(), link.LastError());
  return 0;
}

void PurgePort(EngineLink &link, uint32_t flags) {
  platform::PortPurge(In::Port(link), flags);
}

}  // namespace

int OpenPort(EngineLink &link) {
  platform::Port *&port = In::Port(link);
  port = platform::PortOpenNumber(link.PortNumber());
  if (port == nullptr) return Failed(link);
  platform::PortSetup(port, kPortQueueSize, kPortQueueSize);
  PurgePort(link, platform::kPurgeAll);
  link.Line().Start();
  return 1;
}

void ClosePort(EngineLink &link) {
  link.Line().Stop();
  In::Unread(link).clear();
  link.SetFrameInFlight(false);  // what was read ahead went with the port
  platform::Port *&port = In::Port(link);
  if (port == nullptr) return;
  PurgePort(link, platform::kPurgeAll);
  platform::PortClose(port);
  port = nullptr;
}

int SetPortSpeed(EngineLink &link, uint32_t speed) {
  PortUse use(link.Health());
  if (!use) return 0;
  platform::LineSettings line;
  if (!platform::PortGetLine(In::Port(link), &line)) return PortFailed(link);
  line.baudRate = speed;
  line.byteSize = 8;
  line.parity = 0;
  line.stopBits = 0;
  line.ctsFlow = false;
  line.rtsFlow = false;
  In::PortSpeed(link) = speed;
  if (!platform::PortSetLine(In::Port(link), line)) return PortFailed(link);
  return 1;
}

int ReadPortByte(EngineLink &link, uint8_t *out, uint32_t waitMs) {
  *out = 0;
  PortUse use(link.Health());
  if (!use) return 0;
  uint32_t received = 0;
  if (!platform::PortRead(In::Port(link), out, 1, waitMs, &received)) {
    return PortFailed(link);
  }
  if (received == 0) return Failed(link);
  TraceByte(*out);
  return 1;
}

void WakeLine(EngineLink &link, bool wake) {
  if (In::Port(link) != nullptr) platform::PortWake(In::Port(link), wake);
}

int FramingErrors(EngineLink &link, uint32_t *count) {
  PortUse use(link.Health());
  return use && platform::PortFramingErrors(In::Port(link), count) ? 1 : 0;
}

int WritePortFrame(EngineLink &link, const Bytes &frame, uint32_t waitMs, bool onlyIfQuiet) {
  PortUse use(link.Health());
  if (!use) return 0;
  std::lock_guard<std::mutex> lock(In::WriteLock(link));
  uint32_t waiting = 0;
  if (onlyIfQuiet && platform::PortInputWaiting(In::Port(link), &waiting) && waiting != 0) {
    return kInputArriving;
  }
  TraceSent(link, frame.data(), frame.size());
  uint32_t written = 0;
  if (!platform::PortWrite(In::Port(link), frame.data(), static_cast<uint32_t>(frame.size()),
                           waitMs, &written)) {
    return PortFailed(link);
  }
  return written != 0 ? 1 : Failed(link);
}

}  // namespace bcr
