// A reader brought up in the benchmark's own process, as an application would: the library's
// environment of the tests (tests/support/library_env.h) with an SE955.
#ifndef BCREADER_BENCH_BENCH_READER_H
#define BCREADER_BENCH_BENCH_READER_H

#include <unistd.h>

#include <chrono>
#include <string>

#include "../tests/support/library_env.h"
#include "platform/window.h"

namespace bcr::bench {

using test::LibDir;

inline void PointAt(const std::string &port) {
  const std::string pid = std::to_string(getpid());
  test::PointEnvironmentAt(port, "1", "/tmp/bcrbench" + pid + ".reg", "bcrbench" + pid + "_");
}

// An application's window that notes when "WM_DECODEDATA" arrives (one per benchmark process).
struct Broadcasts {
  static inline uint32_t message = 0;  // the registered number of "WM_DECODEDATA"
  static inline std::chrono::steady_clock::time_point at;
  static inline bool arrived = false;

  static intptr_t Window(platform::Window *, uint32_t msg, uintptr_t, intptr_t) {
    if (msg == message) {
      at = std::chrono::steady_clock::now();
      arrived = true;
    }
    return 0;
  }
};

}  // namespace bcr::bench

#endif  // BCREADER_BENCH_BENCH_READER_H
