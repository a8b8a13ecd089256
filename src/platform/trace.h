// The wire trace: one line per frame sent or received and per step of the reader's own (a lost
// engine, a recovery), appended to the file that BCREADER_TRACE names. Off by default; while off
// every entry point returns after one atomic load, so callers can leave their calls in place.
//
// A line is
//   <ms> <pid> <tx|rx|--> <bit/s> [<byte> ...] | <what the library made of it>
// with the time of the platform's monotonic clock in ms, the process id, the direction ("--" for
// a step without bytes), the port's speed and the bytes in two-digit upper-case hex. Each line
// goes to the file in one write to a descriptor opened for appending, so processes and threads
// sharing the file never interleave within a line.
#ifndef BCREADER_PLATFORM_TRACE_H
#define BCREADER_PLATFORM_TRACE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace bcr::platform {

// Reads BCREADER_TRACE again (at every engine open): tracing is on while it names a file.
void TraceConfigure();
// Whether lines are being written.
bool TraceOn();

enum class TraceDirection { kSent, kReceived, kStep };

// One line; nothing while the trace is off. note may be null.
void TraceLine(TraceDirection direction, uint32_t speed, const uint8_t *bytes, size_t size,
               const char *note);
inline void TraceStep(uint32_t speed, const char *note) {
  if (TraceOn()) TraceLine(TraceDirection::kStep, speed, nullptr, 0, note);
}

// The text of a line without its newline (for tests and the trace reader).
std::string FormatTraceLine(uint64_t ms, uint32_t pid, TraceDirection direction, uint32_t speed,
                            const uint8_t *bytes, size_t size, const char *note);

// Realised by each platform: the setting of BCREADER_TRACE (false when unset or empty), and the
// append of one whole line to the file it named at the last TraceConfigure.
bool TraceFileConfigure();
bool TraceFileAppend(const std::string &line);
uint32_t CurrentProcessId();

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_TRACE_H
