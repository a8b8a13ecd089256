#include "platform/trace.h"

#include <atomic>

#include "platform/clock.h"

namespace bcr::platform {

namespace {

std::atomic<bool> traceOn{false};

const char *DirectionText(TraceDirection direction) {
  switch (direction) {
    case TraceDirection::kSent:
      return "tx";
    case TraceDirection::kReceived:
      return "rx";
    case TraceDirection::kStep:
      return "--";
  }
  return "--";
}

}  // namespace

void TraceConfigure() {
  traceOn.store(TraceFileConfigure(), std::memory_order_release);
}

bool TraceOn() {
  return traceOn.load(std::memory_order_relaxed);
}

std::string FormatTraceLine(uint64_t ms, uint32_t pid, TraceDirection direction, uint32_t speed,
                            const uint8_t *bytes, size_t size, const char *note) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string line = std::to_string(ms) + ' ' + std::to_string(pid) + ' ' +
                     DirectionText(direction) + ' ' + std::to_string(speed);
  line.reserve(line.size() + size * 3 + 32);
  for (size_t i = 0; i < size; ++i) {
    line += ' ';
    line += kHex[bytes[i] >> 4];
    line += kHex[bytes[i] & 0x0F];
  }
  line += " |";
  if (note != nullptr && *note != '\0') {
    line += ' ';
    for (const char *c = note; *c != '\0'; ++c) line += (*c == '\n' || *c == '\r') ? ' ' : *c;
  }
  return line;
}

void TraceLine(TraceDirection direction, uint32_t speed, const uint8_t *bytes, size_t size,
               const char *note) {
  if (!TraceOn()) return;
  TraceFileAppend(
      FormatTraceLine(NowMs(), CurrentProcessId(), direction, speed, bytes, size, note));
}

}  // namespace bcr::platform
