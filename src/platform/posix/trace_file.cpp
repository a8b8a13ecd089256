#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/posix/record_sink.h"
#include "platform/trace.h"

namespace bcr::platform {

namespace {

std::mutex fileLock;
std::string traceFile;  // guarded by fileLock

}  // namespace

bool TraceFileConfigure() {
  const char *value = std::getenv("BCREADER_TRACE");
  std::lock_guard<std::mutex> lock(fileLock);
  traceFile = value != nullptr ? value : "";
  return !traceFile.empty();
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
