#include <windows.h>

#include <mutex>
#include <string>

#include "platform/trace.h"
#include "platform/win32/record_sink.h"
#include "platform/win32/text.h"

namespace bcr::platform {

namespace {

std::mutex fileLock;
std::wstring traceFile;  // guarded by fileLock

}  // namespace

bool TraceFileConfigure() {
  std::wstring value = EnvironmentText(L"BCREADER_TRACE");
  std::lock_guard<std::mutex> lock(fileLock);
  traceFile = value;
  return !traceFile.empty();
}

// Opened with append access for each line and closed again: one WriteFile lands whole at the
// end of the file whoever else writes, and no handle outlives a line.
bool TraceFileAppend(const std::string &line) {
  std::wstring file;
  {
    std::lock_guard<std::mutex> lock(fileLock);
    file = traceFile;
  }
  return !file.empty() && AppendRecordLine(file, line);
}

uint32_t CurrentProcessId() {
  return static_cast<uint32_t>(GetCurrentProcessId());
}

}  // namespace bcr::platform
