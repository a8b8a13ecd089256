// What every fuzz target of the engine link shares: a link over the memory port, the frames the
// library may write, and stopping the process with a message when a check fails.
#ifndef BCREADER_FUZZ_HARNESS_H
#define BCREADER_FUZZ_HARNESS_H

#include <cstddef>
#include <cstdint>

#include "link/engine_link.h"
#include "memory_port.h"

namespace bcr::fuzz {

// Prints the message (printf-style) and aborts, which libFuzzer reports as a crash.
[[noreturn]] void Fail(const char *format, ...) __attribute__((format(printf, 1, 2)));

inline void Check(bool condition, const char *what) {
  if (!condition) Fail("check failed: %s", what);
}

// Opens the link's port 2 on the memory port carrying the engine's bytes and sets its engine
// kind; the virtual clock starts at 0 with limitMs.
void OpenLink(EngineLink &link, int32_t deviceType, const uint8_t *data, size_t size,
              uint64_t limitMs, size_t failedReadLimit);

// The wake byte, or a frame whose length byte counts it up to its last data byte and whose two
// last bytes are the checksum of the rest (high byte first).
bool IsWellFormedFrame(const Frame &frame);
bool IsWakeByte(const Frame &frame);
// Every write since the link was opened is a wake byte or a well-formed frame.
void CheckWritesWellFormed();

}  // namespace bcr::fuzz

#endif  // BCREADER_FUZZ_HARNESS_H
