// platform/port.h over the fuzz input (see memory_port.h).
#include "memory_port.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/port.h"
#include "virtual_clock.h"

namespace bcr::platform {

struct Port {
  LineSettings line;
};

}  // namespace bcr::platform

namespace bcr::fuzz {

namespace {

const uint8_t *input = nullptr;
size_t inputSize = 0;
size_t consumed = 0;
size_t failedReads = 0;
size_t failedLimit = 0;
std::vector<Frame> writes;
std::string openedName;
uint32_t lastError = 0;

// Stands for the platform error of a read that timed out with nothing.
constexpr uint32_t kTimedOut = 110;

}  // namespace

void PortFeed(const uint8_t *data, size_t size, size_t failedReadLimit) {
  input = data;
  inputSize = size;
  consumed = 0;
  failedReads = 0;
  failedLimit = failedReadLimit;
  writes.clear();
  openedName.clear();
}

size_t PortConsumed() {
  return consumed;
}

const std::vector<Frame> &PortWrites() {
  return writes;
}

const char *PortOpenedName() {
  return openedName.c_str();
}

}  // namespace bcr::fuzz

namespace bcr::platform {

using namespace bcr::fuzz;

Port *PortOpen(const char *name) {
  if (name == nullptr) return nullptr;
  openedName = name;
  return new Port();
}

bool PortFramingErrors(Port *, uint32_t *) {
  return false;
}

void PortWake(Port *, bool) {}

Port *PortOpenNumber(uint32_t number) {
  return PortOpen(("COM" + std::to_string(number) + ":").c_str());
}

void PortClose(Port *port) {
  delete port;
}

bool PortSetup(Port *port, uint32_t, uint32_t) {
  return port != nullptr;
}

bool PortPurge(Port *port, uint32_t) {
  return port != nullptr;
}

bool PortGetLine(Port *port, LineSettings *line) {
  if (port == nullptr || line == nullptr) return false;
  *line = port->line;
  return true;
}

bool PortSetLine(Port *port, const LineSettings &line) {
  if (port == nullptr) return false;
  port->line = line;
  return true;
}

bool PortRead(Port *port, uint8_t *buffer, uint32_t size, uint32_t waitMs, uint32_t *received) {
  if (received != nullptr) *received = 0;
  if (port == nullptr || buffer == nullptr || received == nullptr) return false;
  if (size == 0) return true;
  const size_t left = inputSize - consumed;
  if (left == 0) {
    if (++failedReads > failedLimit) {
      std::fprintf(stderr, "%zu reads of a silent line: the receiver does not stop\n", failedReads);
      std::abort();
    }
    lastError = kTimedOut;
    ClockAdvance(waitMs);
    return true;
  }
  const size_t n = left < size ? left : size;
  std::memcpy(buffer, input + consumed, n);
  consumed += n;
  *received = static_cast<uint32_t>(n);
  return true;
}

bool PortInputWaiting(Port *port, uint32_t *count) {
  if (port == nullptr || count == nullptr) return false;
  *count = static_cast<uint32_t>(inputSize - consumed);
  return true;
}

bool PortWrite(Port *port, const uint8_t *data, uint32_t size, uint32_t, uint32_t *written) {
  if (written != nullptr) *written = 0;
  if (port == nullptr || written == nullptr || (data == nullptr && size != 0)) return false;
  writes.emplace_back(data, data + size);
  *written = size;
  return true;
}

uint32_t LastError() {
  return lastError;
}

// The line of the input never hangs up: a read that finds nothing has only timed out.
bool PortGoneError(uint32_t) {
  return false;
}

void SetLastError(uint32_t error) {
  lastError = error;
}

}  // namespace bcr::platform
