// A reader brought up in the benchmark's own process, as an application would.
#ifndef BCREADER_BENCH_BENCH_READER_H
#define BCREADER_BENCH_BENCH_READER_H

#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace bcr::bench {

// build/lib, beside the folder of the benchmark program.
inline std::string LibDir() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "lib";
  path[n] = '\0';
  std::string exe(path);
  std::string dir = exe.substr(0, exe.rfind('/'));
  return dir.substr(0, dir.rfind('/')) + "/lib";
}

// Points the library at the engine's port and at the stand-in system library reporting an
// SE955, with sound and keyboard off.
inline void PointAt(const std::string &port) {
  setenv("BCREADER_COM2", port.c_str(), 1);
  setenv("BCREADER_SYSLIB", (LibDir() + "/libbrevald.so").c_str(), 1);
  setenv("BCREADER_ENGINE_KIND", "1", 1);
  setenv("BCREADER_EVENT_PREFIX", ("bcrbench" + std::to_string(getpid()) + "_").c_str(), 1);
  setenv("BCREADER_SOUND", "none", 1);
  setenv("BCREADER_KEYBOARD", "none", 1);
  setenv("BCREADER_REGISTRY", ("/tmp/bcrbench" + std::to_string(getpid()) + ".reg").c_str(), 1);
}

}  // namespace bcr::bench

#endif  // BCREADER_BENCH_BENCH_READER_H
