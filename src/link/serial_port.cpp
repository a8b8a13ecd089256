#include "link/serial_port.h"

#include <vector>

#include "link/wire_trace.h"

namespace bcr {

namespace {

int Failed(EngineLink &link) {
  link.lastError = platform::LastError();
  return 0;
}

// A platform call that returned false: a device gone is reported.
int PortFailed(EngineLink &link) {
  Failed(link);
  NotePortError(link.health, link.lastError);
  return 0;
}

uint32_t WaitOf(EngineLink &link, uint32_t EngineLink::*wait) {
  std::lock_guard<std::mutex> lock(link.timeoutLock);
  return link.*wait;
}

void PurgePort(EngineLink &link, uint32_t flags) {
  platform::PortPurge(link.port, flags);
}

}  // namespace

int OpenPort(EngineLink &link) {
  link.port = platform::PortOpenNumber(link.portNumber);
  if (link.port == nullptr) return Failed(link);
  platform::PortSetup(link.port, kPortQueueSize, kPortQueueSize);
  PurgePort(link, platform::kPurgeAll);
  link.line.Start();
  return 1;
}

void ClosePort(EngineLink &link) {
  link.line.Stop();
  link.unread.clear();
  if (link.port == nullptr) return;
  PurgePort(link, platform::kPurgeAll);
  platform::PortClose(link.port);
  link.port = nullptr;
}

int SetPortSpeed(EngineLink &link, uint32_t speed) {
  PortUse use(link.health);
  if (!use) return 0;
  platform::LineSettings line;
  if (!platform::PortGetLine(link.port, &line)) return PortFailed(link);
  line.baudRate = speed;
  line.byteSize = 8;
  line.parity = 0;
  line.stopBits = 0;
  line.ctsFlow = false;
  line.rtsFlow = false;
  link.portSpeed = speed;
  if (!platform::PortSetLine(link.port, line)) return PortFailed(link);
  return 1;
}

int SetPortTimeout(EngineLink &link, uint32_t value, uint32_t selector) {
  PortUse use(link.health);
  if (!use) return 0;
  std::lock_guard<std::mutex> lock(link.timeoutLock);
  uint32_t *wait = selector == 'r' ? &link.readWait : selector == 'w' ? &link.writeWait : nullptr;
  if (wait == nullptr || *wait == value) return 0;
  *wait = value;
  return 1;
}

int ReadPortByte(EngineLink &link, uint8_t *out) {
  *out = 0;
  if (!link.unread.empty()) {
    *out = link.unread.front();
    link.unread.erase(link.unread.begin());
    return 1;
  }
  PortUse use(link.health);
  if (!use) return 0;
  uint32_t received = 0;
  if (!platform::PortRead(link.port, out, 1, WaitOf(link, &EngineLink::readWait), &received)) {
    return PortFailed(link);
  }
  if (received == 0) return Failed(link);
  ++link.bytesRead;
  TraceByte(*out);
  return 1;
}

void WakeLine(EngineLink &link, bool wake) {
  if (link.port != nullptr) platform::PortWake(link.port, wake);
}

int FramingErrors(EngineLink &link, uint32_t *count) {
  PortUse use(link.health);
  return use && platform::PortFramingErrors(link.port, count) ? 1 : 0;
}

int WritePortFrame(EngineLink &link, const WString &frame, bool onlyIfQuiet) {
  PortUse use(link.health);
  if (!use) return 0;
  std::vector<uint8_t> bytes(frame.Size());
  for (uint32_t i = 0; i < frame.Size(); ++i) bytes[i] = static_cast<uint8_t>(frame.Data()[i]);
  std::lock_guard<std::mutex> lock(link.writeLock);
  uint32_t waiting = 0;
  if (onlyIfQuiet && platform::PortInputWaiting(link.port, &waiting) && waiting != 0) {
    return kInputArriving;
  }
  TraceSent(link, bytes.data(), bytes.size());
  uint32_t written = 0;
  if (!platform::PortWrite(link.port, bytes.data(), static_cast<uint32_t>(bytes.size()),
                           WaitOf(link, &EngineLink::writeWait), &written)) {
    return PortFailed(link);
  }
  return written != 0 ? 1 : Failed(link);
}

}  // namespace bcr
