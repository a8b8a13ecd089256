#include "platform/win32/text.h"

#include <windows.h>

#include <cstring>

namespace bcr::platform {

std::wstring Widen(const char *text) {
  if (text == nullptr || *text == '\0') return std::wstring();
  int length = static_cast<int>(std::strlen(text));
  int needed = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], needed);
  return wide;
}

std::wstring EnvironmentText(const wchar_t *name) {
  std::wstring value;
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  // The value may change between the calls; try again until it fits.
  while (size != 0) {
    value.resize(size);
    DWORD got = GetEnvironmentVariableW(name, &value[0], size);
    if (got < size) {
      value.resize(got);
      return value;
    }
    size = got;
  }
  return std::wstring();
}

}  // namespace bcr::platform
