// Where the built library lies, and the variables that point it at an engine: shared by the tests
// and the benchmarks, without a test framework.
#ifndef BCREADER_TESTS_SUPPORT_LIBRARY_ENV_H
#define BCREADER_TESTS_SUPPORT_LIBRARY_ENV_H

#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace bcr::test {

// build/lib, beside the folder of the running program.
inline std::string LibDir() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "lib";
  path[n] = '\0';
  std::string exe(path);
  std::string dir = exe.substr(0, exe.rfind('/'));
  return dir.substr(0, dir.rfind('/')) + "/lib";
}

// The engine at port, the stand-in system library with the engine-kind character (none: unset),
// the registry file and the event prefix given, keyboard, sound and the bus off.
inline void PointEnvironmentAt(const std::string &port, const char *engineKind,
                               const std::string &registry, const std::string &eventPrefix) {
  setenv("BCREADER_COM2", port.c_str(), 1);
  setenv("BCREADER_SYSLIB", (LibDir() + "/libbrevald.so").c_str(), 1);
  if (engineKind != nullptr) {
    setenv("BCREADER_ENGINE_KIND", engineKind, 1);
  } else {
    unsetenv("BCREADER_ENGINE_KIND");
  }
  setenv("BCREADER_REGISTRY", registry.c_str(), 1);
  setenv("BCREADER_EVENT_PREFIX", eventPrefix.c_str(), 1);
  setenv("BCREADER_KEYBOARD", "none", 1);
  setenv("BCREADER_SOUND", "none", 1);
  setenv("BCREADER_BUS", "none", 1);
}

}  // namespace bcr::test

#endif  // BCREADER_TESTS_SUPPORT_LIBRARY_ENV_H
