#include "platform/win32/record_sink.h"

#include <windows.h>

namespace bcr::platform {

std::wstring RecordSinkFile(const std::wstring &setting) {
  const std::wstring prefix = L"record:";
  if (setting.compare(0, prefix.size(), prefix) != 0) return std::wstring();
  return setting.substr(prefix.size());
}

bool AppendRecordLine(const std::wstring &file, const std::string &line) {
  if (file.empty()) return false;
  // Append access alone: every write lands at the end of the file, whoever else writes.
  HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  std::string text = line + "\n";
  DWORD written = 0;
  BOOL ok = WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(handle);
  return ok && written == text.size();
}

}  // namespace bcr::platform
