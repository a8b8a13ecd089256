// The link's lines of the wire trace (platform/trace.h): every frame written, and the bytes read
// gathered (per thread, as one exchange runs on one thread) until the exchange knows what they
// were: a reply, a NAK, a decode, noise. Everything here returns at once while the trace is off.
#ifndef BCREADER_LINK_WIRE_TRACE_H
#define BCREADER_LINK_WIRE_TRACE_H

#include <cstddef>
#include <cstdint>

#include "link/engine_link.h"
#include "platform/trace.h"

namespace bcr {

void TraceGather(uint8_t byte);
// One rx line of the bytes gathered, with what they were; nothing when none were gathered.
void TraceReceivedAs(const EngineLink &link, const char *note);
// One tx line, at the port's speed; bytes gathered before it are written first, as a packet it
// answers.
void TraceSent(uint32_t speed, const uint8_t *bytes, size_t size);
// A line without bytes: a step of the link or of the reader.
void TraceNote(const EngineLink &link, const char *note);

inline void TraceByte(uint8_t byte) {
  if (platform::TraceOn()) TraceGather(byte);
}

}  // namespace bcr

#endif  // BCREADER_LINK_WIRE_TRACE_H
