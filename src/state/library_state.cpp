// The library's static objects. They are constructed when the library is loaded, the reader
// object first and then the four strings, before the process-attach handler runs; they are
// destroyed in the reverse order after the process-detach handler.
#include "state/library_state.h"

#include "state/published_decode.h"
#include "state/reader.h"
#include "state/settings.h"

namespace bcr {

namespace {

Reader reader __attribute__((init_priority(1000)));
LibraryState state;

}  // namespace

WString lastSymbologyName __attribute__((init_priority(1001)));
WString lastDecodeData __attribute__((init_priority(1002)));
WString outputPrefix __attribute__((init_priority(1003)));
WString outputSuffix __attribute__((init_priority(1004)));

LibraryState &State() {
  return state;
}
Reader &TheReader() {
  return reader;
}

}  // namespace bcr
