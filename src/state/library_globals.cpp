#include "state/library_globals.h"

namespace bcr {

LibraryGlobals &Globals() {
  static LibraryGlobals globals;
  return globals;
}

}  // namespace bcr
