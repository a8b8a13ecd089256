// Registry values in the system's registry, written through the terminal's shell DWORD write.
#include "platform/registry.h"

#include <windows.h>

#include "platform/win32/ce_shims.h"
#include "platform/win32/text.h"

namespace bcr::platform {

namespace {

struct RootRow {
  uint32_t value;
  HKEY key;
};

const RootRow kRoots[] = {
    {kRegistryClassesRoot, HKEY_CLASSES_ROOT},
    {kRegistryCurrentUser, HKEY_CURRENT_USER},
    {kRegistryLocalMachine, HKEY_LOCAL_MACHINE},
    {kRegistryUsers, HKEY_USERS},
};

HKEY RootKey(uint32_t root) {
  for (const RootRow &row : kRoots) {
    if (row.value == root) return row.key;
  }
  return nullptr;
}

}  // namespace

// There is no file: the values live in the registry itself.
std::string RegistryFilePath() {
  return std::string();
}

bool RegistryWriteDword(uint32_t root, const char *subkey, const char *valueName, uint32_t data) {
  HKEY key = RootKey(root);
  if (key == nullptr || subkey == nullptr || valueName == nullptr || *valueName == '\0') {
    return false;
  }
  return ShellWriteDword(key, Widen(subkey).c_str(), Widen(valueName).c_str(), data) ==
         ERROR_SUCCESS;
}

bool RegistryReadDword(uint32_t root, const char *subkey, const char *valueName, uint32_t *data) {
  HKEY rootKey = RootKey(root);
  if (rootKey == nullptr || subkey == nullptr || valueName == nullptr || data == nullptr) {
    return false;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(rootKey, Widen(subkey).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  LONG result = RegQueryValueExW(key, Widen(valueName).c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE *>(&value), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return false;
  *data = value;
  return true;
}

}  // namespace bcr::platform
