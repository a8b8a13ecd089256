// Everything the library keeps for the process, in one object: the reader object, the state of
// the running parts, the settings, the output texts and the published decode. It is created on
// first use (the process attach uses it first, so it exists before anything runs) and destroyed
// when the library is unloaded or the process ends, after the process detach: its members are
// built in the order below and destroyed in the reverse order.
//
// The reader's own layer hands the reader object and the running state to the code below it;
// only the settings and the published decode, which are the process's by nature, reach this
// object from their own modules.
#ifndef BCREADER_STATE_LIBRARY_GLOBALS_H
#define BCREADER_STATE_LIBRARY_GLOBALS_H

#include "state/library_state.h"
#include "state/published_decode.h"
#include "state/scan_engine.h"
#include "state/settings.h"
#include "state/signalled_decodes.h"

namespace bcr {

struct LibraryGlobals {
  ScanEngine reader;
  Settings settings;
  OutputTexts output;
  PublishedDecode published;
  SignalledDecodes signalled;
  LibraryState state;
};

LibraryGlobals &Globals();

}  // namespace bcr

#endif  // BCREADER_STATE_LIBRARY_GLOBALS_H
