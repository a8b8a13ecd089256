#include "link/wire_trace.h"

#include <string>

#include "link/link_internals.h"

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

void TraceReceivedAs(const EngineLink &link, const char *note) {
  if (!platform::TraceOn() || gatheredSize == 0) return;
  std::string text = note != nullptr ? note : "";
  if (gatheredDropped != 0) text += " (" + std::to_string(gatheredDropped) + " more bytes)";
  platform::TraceLine(platform::TraceDirection::kReceived, LinkInternals::PortSpeed(link), gathered,
                      gatheredSize, text.c_str());
  gatheredSize = 0;
  gatheredDropped = 0;
}

void TraceSent(const EngineLink &link, const uint8_t *bytes, size_t size) {
  if (!platform::TraceOn()) return;
  // Bytes still gathered when the library writes are a packet it answers (a decode's
  // continuation acknowledgement).
  TraceReceivedAs(link, "packet");
  const char *note = size == 1 && bytes[0] == 0x00 ? "wake" : nullptr;
  platform::TraceLine(platform::TraceDirection::kSent, LinkInternals::PortSpeed(link), bytes, size,
                      note);
}

void TraceNote(const EngineLink &link, const char *note) {
  if (!platform::TraceOn()) return;
  TraceReceivedAs(link, "unread");
  platform::TraceStep(LinkInternals::PortSpeed(link), note);
}

}  // namespace bcr
