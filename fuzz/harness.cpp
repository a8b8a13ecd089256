#include "harness.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/serial_port.h"
#include "virtual_clock.h"

namespace bcr::fuzz {

void Fail(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::abort();
}

void OpenLink(EngineLink &link, int32_t deviceType, const uint8_t *data, size_t size,
              uint64_t limitMs, size_t failedReadLimit) {
  PortFeed(data, size, failedReadLimit);
  ClockReset(limitMs);
  link.SetPortNumber(2);
  Check(link.Open(), "the memory port opens");
  // One thread against the virtual clock: the exchanges read the line themselves.
  link.Line().Stop();
  Check(std::strcmp(PortOpenedName(), "COM2:") == 0, "port 2 is opened as COM2:");
  link.SetDeviceType(deviceType);
}

bool IsWakeByte(const Frame &frame) {
  return frame.size() == 1 && frame[0] == 0x00;
}

bool IsWellFormedFrame(const Frame &frame) {
  if (IsWakeByte(frame)) return true;
  if (frame.size() < 6 || frame[0] != frame.size() - 2) return false;
  uint16_t sum = 0;
  for (size_t i = 0; i + 2 < frame.size(); ++i) sum = static_cast<uint16_t>(sum + frame[i]);
  const uint16_t checksum =
      static_cast<uint16_t>(frame[frame.size() - 2] << 8 | frame[frame.size() - 1]);
  return static_cast<uint16_t>(sum + checksum) == 0;
}

void CheckWritesWellFormed() {
  for (const Frame &frame : PortWrites()) {
    if (IsWellFormedFrame(frame)) continue;
    std::fprintf(stderr, "malformed frame written:");
    for (uint8_t byte : frame) std::fprintf(stderr, " %02X", byte);
    Fail("%s", "");
  }
}

}  // namespace bcr::fuzz
