// A reader brought up in the benchmark's own process, as an application would: the library's
// environment of the tests (tests/support/library_env.h) with an SE955.
#ifndef BCREADER_BENCH_BENCH_READER_H
#define BCREADER_BENCH_BENCH_READER_H

#include <unistd.h>

#include <string>

#include "../tests/support/library_env.h"

namespace bcr::bench {

using test::LibDir;

inline void PointAt(const std::string &port) {
  const std::string pid = std::to_string(getpid());
  test::PointEnvironmentAt(port, "1", "/tmp/bcrbench" + pid + ".reg", "bcrbench" + pid + "_");
}

}  // namespace bcr::bench

#endif  // BCREADER_BENCH_BENCH_READER_H
