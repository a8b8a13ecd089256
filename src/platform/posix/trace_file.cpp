#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/posix/record_sink.h"
#include "platform/trace.h"

namespace bcr::platform {

namespace {

// Plain storage, never destroyed: a thread of the library may still trace while the library's
// statics are destroyed at unload, before its workers have been stopped.
std::mutex fileLock;
char traceFile[4096];  // guarded by fileLock; empty: off

}  // namespace

bool TraceFileConfigure() {
  const char *value = std::getenv("BCREADER_TRACE");
  std::lock_guard<std::mutex> lock(fileLock);
  // A name too long for any file system is taken for none.
  const bool fits = value != nullptr && std::strlen(value) < sizeof traceFile;
  std::strcpy(traceFile, fits ? value : "");
  return traceFile[0] != '\0';
}

// Opened for each line and closed again, so that no descriptor outlives a line (the library
// leaves none behind when it is unloaded), and O_APPEND makes the one write land whole.
bool TraceFileAppend(const std::string &line) {
  std::string file;
  {
    std::lock_guard<std::mutex> lock(fileLock);
    file = traceFile;
  }
  return !file.empty() && AppendRecordLine(file, line);
}

uint32_t CurrentProcessId() {
  return static_cast<uint32_t>(getpid());
}

}  // namespace bcr::platform
