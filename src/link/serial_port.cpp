#include "link/serial_port.h"

#include "link/wire_trace.h"

namespace bcr {

void SerialPort::Failed() {
  lastError_ = platform::LastError();
}

void SerialPort::PortFailed() {
  Failed();
  health_.NotePortError(lastError_);
}

bool SerialPort::Open(uint32_t number) {
  port_ = platform::PortOpenNumber(number);
  if (port_ == nullptr) {
    Failed();
    return false;
  }
  platform::PortSetup(port_, kPortQueueSize, kPortQueueSize);
  platform::PortPurge(port_, platform::kPurgeAll);
  return true;
}

void SerialPort::Close() {
  readAhead_.clear();
  if (port_ == nullptr) return;
  platform::PortPurge(port_, platform::kPurgeAll);
  platform::PortClose(port_);
  port_ = nullptr;
}

void SerialPort::Reset() {
  speed_ = 9600;
  lastError_ = 0;
}

bool SerialPort::SetSpeed(uint32_t speed) {
  PortUse use(health_);
  if (!use) return false;
  platform::LineSettings line;
  if (!platform::PortGetLine(port_, &line)) {
    PortFailed();
    return false;
  }
  line.baudRate = speed;
  line.byteSize = 8;
  line.parity = 0;
  line.stopBits = 0;
  line.ctsFlow = false;
  line.rtsFlow = false;
  speed_ = speed;
  if (!platform::PortSetLine(port_, line)) {
    PortFailed();
    return false;
  }
  return true;
}

bool SerialPort::Line(platform::LineSettings *line) {
  PortUse use(health_);
  if (!use) return false;
  if (!platform::PortGetLine(port_, line)) {
    PortFailed();
    return false;
  }
  return true;
}

ByteRead SerialPort::ReadByte(uint8_t *out, uint32_t waitMs) {
  *out = 0;
  PortUse use(health_);
  if (!use) return ByteRead::kFailed;
  uint32_t received = 0;
  if (!platform::PortRead(port_, out, 1, waitMs, &received)) {
    PortFailed();
    return ByteRead::kFailed;
  }
  if (received == 0) {
    Failed();
    return ByteRead::kNothing;
  }
  TraceByte(*out);
  return ByteRead::kGot;
}

Written SerialPort::Write(const Bytes &frame, uint32_t waitMs, bool onlyIfQuiet) {
  PortUse use(health_);
  if (!use) return Written::kFailed;
  MutexLock lock(writeLock_);
  uint32_t waiting = 0;
  if (onlyIfQuiet && platform::PortInputWaiting(port_, &waiting) && waiting != 0) {
    return Written::kInputArriving;
  }
  TraceSent(speed_, frame.data(), frame.size());
  uint32_t written = 0;
  if (!platform::PortWrite(port_, frame.data(), static_cast<uint32_t>(frame.size()), waitMs,
                           &written)) {
    PortFailed();
    return Written::kFailed;
  }
  if (written == 0) {
    Failed();
    return Written::kFailed;
  }
  return Written::kWritten;
}

void SerialPort::Wake(bool wake) {
  if (port_ != nullptr) platform::PortWake(port_, wake);
}

bool SerialPort::FramingErrors(uint32_t *count) {
  PortUse use(health_);
  return use && platform::PortFramingErrors(port_, count);
}

}  // namespace bcr
