#include "platform/win32/ce_shims.h"

#include <string>
#include <vector>

#ifndef _WIN32_WCE

FARPROC GetProcAddressW(HMODULE module, const wchar_t *name) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string narrow;
  for (const wchar_t *p = name; *p != L'\0'; ++p) {
    // A name that is not ASCII names no entry.
    if (*p > 0x7F) {
      SetLastError(ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
    narrow.push_back(static_cast<char>(*p));
  }
  return GetProcAddress(module, narrow.c_str());
}

namespace {

void AddUnit(std::vector<INPUT> *inputs, WORD unit) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wScan = unit;
  input.ki.dwFlags = KEYEVENTF_UNICODE;
  inputs->push_back(input);
  input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
  inputs->push_back(input);
}

}  // namespace

BOOL PostKeybdMessage(HWND, UINT, UINT, UINT count, UINT *, UINT *characters) {
  if (count == 0) return TRUE;
  if (characters == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<INPUT> inputs;
  for (UINT i = 0; i < count; ++i) {
    int32_t c = static_cast<int32_t>(characters[i]);
    if (c < 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) continue;
    if (c > 0xFFFF) {
      c -= 0x10000;
      AddUnit(&inputs, static_cast<WORD>(0xD800 + (c >> 10)));
      AddUnit(&inputs, static_cast<WORD>(0xDC00 + (c & 0x3FF)));
    } else {
      AddUnit(&inputs, static_cast<WORD>(c));
    }
  }
  if (inputs.empty()) return TRUE;
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return sent == inputs.size();
}

#endif  // _WIN32_WCE

namespace bcr::platform {

// RegCreateKeyExW and RegSetValueExW exist on the terminal as well, so this one is shared.
LONG ShellWriteDword(HKEY root, const wchar_t *subkey, const wchar_t *value, DWORD data) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG result =
      RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, &disposition);
  if (result != ERROR_SUCCESS) return result;
  result =
      RegSetValueExW(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&data), sizeof data);
  RegCloseKey(key);
  return result;
}

}  // namespace bcr::platform
