// Process attach and detach of the shared library. The attach is the first use of the library's
// globals and so creates them; they are destroyed after the detach.
#include <dlfcn.h>

#include "reader/lifecycle.h"

namespace bcr {

namespace {

void *OwnModule() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void *>(&OwnModule), &info) == 0) return nullptr;
  return info.dli_fbase;
}

// Neither runs inside an exported function, but an exception leaving either would end the host
// process just the same: what is left undone is undone as after a failed call.
struct LibraryLifetime {
  LibraryLifetime() {
    try {
      ProcessAttach(OwnModule());
    } catch (...) {
    }
  }
  ~LibraryLifetime() {
    try {
      ProcessDetach();
    } catch (...) {
    }
  }
};

// Its attach creates the library's globals, which are therefore destroyed after its detach.
LibraryLifetime lifetime;

}  // namespace

}  // namespace bcr
