#include "link/wire_trace.h"

#include <string>

namespace bcr {

namespace {

// The longest run of gathered bytes kept for one line; a longer one is cut (and says so).
constexpr size_t kGatherLimit = 1024;

// A plain array: no destruction at thread end or unload.
thread_local uint8_t gathered[kGatherLimit];
thread_local size_t gatheredSize = 0;
thread_local size_t gatheredDropped = 0;

}  // namespace

void TraceGather(uint8_t byte) {
  if (gatheredSize < kGatherLimit) {
    gathered[gatheredSize++] = byte;
  } else {
    ++gatheredDropped;
  }
}

namespace {

void TraceReceivedAt(uint32_t speed, const char *note) {
  if (!platform::TraceOn() || gatheredSize == 0) return;
  std::string text = note != nullptr ? note : "";
  if (gatheredDropped != 0) text += " (" + std::to_string(gatheredDropped) + " more bytes)";
  platform::TraceLine(platform::TraceDirection::kReceived, speed, gathered, gatheredSize,
                      text.c_str());
  gatheredSize = 0;
  gatheredDropped = 0;
}

}  // namespace

void TraceReceivedAs(const EngineLink &link, const char *note) {
  TraceReceivedAt(link.Port().Speed(), note);
}

void TraceSent(uint32_t speed, const uint8_t *bytes, size_t size) {
  if (!platform::TraceOn()) return;
  // Bytes still gathered when the library writes are a packet it answers (a decode's
  // continuation acknowledgement).
  TraceReceivedAt(speed, "packet");
  const char *note = size == 1 && bytes[0] == 0x00 ? "wake" : nullptr;
  platform::TraceLine(platform::TraceDirection::kSent, speed, bytes, size, note);
}

void TraceNote(const EngineLink &link, const char *note) {
  if (!platform::TraceOn()) return;
  TraceReceivedAs(link, "unread");
  platform::TraceStep(link.Port().Speed(), note);
}

}  // namespace bcr
