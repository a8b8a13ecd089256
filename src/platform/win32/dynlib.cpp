// Dynamic libraries through the loader: a terminal name such as "\Windows\Brevald.dll" is a path
// of the current drive, so it is loaded as it is. The handle is the HMODULE.
#include "platform/dynlib.h"

#include <windows.h>

#include "platform/win32/ce_shims.h"
#include "platform/win32/text.h"

namespace bcr::platform {

std::string LibraryPath(const char *terminalName) {
  return terminalName != nullptr ? terminalName : "";
}

Library *LibraryLoad(const char *terminalName) {
  if (terminalName == nullptr || *terminalName == '\0') return nullptr;
  // No dialog box for a file that is missing or not loadable: the call just fails.
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryW(Widen(terminalName).c_str());
  SetErrorMode(previous);
  return reinterpret_cast<Library *>(module);
}

void *LibrarySymbol(Library *library, const char *name) {
  if (library == nullptr || name == nullptr) return nullptr;
  FARPROC entry = GetProcAddressW(reinterpret_cast<HMODULE>(library), Widen(name).c_str());
  return reinterpret_cast<void *>(entry);
}

void LibraryFree(Library *library) {
  if (library != nullptr) FreeLibrary(reinterpret_cast<HMODULE>(library));
}

}  // namespace bcr::platform
