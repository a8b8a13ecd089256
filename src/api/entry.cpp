// Process attach and detach of the shared library: the attach runs once the library's static
// objects exist, the detach before they are destroyed.
#include <dlfcn.h>

#include "core/lifecycle.h"

namespace bcr {

namespace {

void *OwnModule() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void *>(&OwnModule), &info) == 0) return nullptr;
  return info.dli_fbase;
}

struct LibraryLifetime {
  LibraryLifetime() { ProcessAttach(OwnModule()); }
  ~LibraryLifetime() { ProcessDetach(); }
};

// Constructed after the reader object and the library's strings, destroyed before them.
LibraryLifetime lifetime __attribute__((init_priority(2000)));

}  // namespace

}  // namespace bcr
