// Dynamic libraries through dlopen. The handle is the dlopen handle itself.
#include "platform/dynlib.h"

#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "util/ascii.h"

namespace bcr::platform {

namespace {

const char kWindowsFolder[] = "\\windows\\";
const char kSystemLibrary[] = "brevald.dll";

// The folder of the shared object this function is in; the program's folder when it is linked
// into the program (whose link-map name is empty).
std::string OwnFolder() {
  Dl_info info;
  link_map *map = nullptr;
  std::string file;
  if (dladdr1(reinterpret_cast<void *>(&OwnFolder), &info, reinterpret_cast<void **>(&map),
              RTLD_DL_LINKMAP) != 0 &&
      map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
    file = map->l_name;
  } else {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return std::string();
    file.assign(buffer, static_cast<size_t>(n));
  }
  size_t slash = file.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return file.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

std::string LibraryPath(const char *terminalName) {
  if (terminalName == nullptr || *terminalName == '\0') return std::string();
  std::string lower = AsciiLower(terminalName);
  const size_t folderLength = sizeof kWindowsFolder - 1;
  if (lower.compare(0, folderLength, kWindowsFolder) == 0 && lower.size() > folderLength + 4 &&
      lower.compare(lower.size() - 4, 4, ".dll") == 0) {
    std::string file = lower.substr(folderLength);
    if (file.find('\\') != std::string::npos) return std::string();
    if (file == kSystemLibrary) {
      const char *configured = std::getenv("BCREADER_SYSLIB");
      if (configured != nullptr && *configured != '\0') return configured;
    }
    return OwnFolder() + "/lib" + file.substr(0, file.size() - 4) + ".so";
  }
  if (lower.find('/') != std::string::npos) return terminalName;
  return std::string();
}

Library *LibraryLoad(const char *terminalName) {
  std::string path = LibraryPath(terminalName);
  if (path.empty()) return nullptr;
  return static_cast<Library *>(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

void *LibrarySymbol(Library *library, const char *name) {
  if (library == nullptr || name == nullptr) return nullptr;
  return dlsym(library, name);
}

void LibraryFree(Library *library) {
  if (library != nullptr) dlclose(library);
}

}  // namespace bcr::platform
