// The reader object and the state of the running parts of this process, for the reader's layer
// and the exported functions, which hand them to the code below.
#ifndef BCREADER_READER_GLOBALS_H
#define BCREADER_READER_GLOBALS_H

#include "state/library_globals.h"

namespace bcr {

inline ScanEngine &TheReader() {
  return Globals().reader;
}

inline LibraryState &State() {
  return Globals().state;
}

}  // namespace bcr

#endif  // BCREADER_READER_GLOBALS_H
