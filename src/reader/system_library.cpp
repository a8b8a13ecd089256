#include "reader/system_library.h"

#include "platform/dynlib.h"
#include "state/scan_engine.h"

namespace bcr {

int LoadSystemLibrary(ScanEngine &reader) {
  platform::Library *library = platform::LibraryLoad(kSystemLibraryName);
  if (library == nullptr) return 0;
  // The new entries are in place before the old library goes, so no worker can pick up an entry
  // of a library that is being unloaded.
  reader.setLedLight =
      reinterpret_cast<SetLedLightEntry>(platform::LibrarySymbol(library, "SetLEDLight"));
  reader.setVibratorPower =
      reinterpret_cast<SetVibratorPowerEntry>(platform::LibrarySymbol(library, "SetVibratorPower"));
  reader.getSysInfo =
      reinterpret_cast<GetSysInfoEntry>(platform::LibrarySymbol(library, "GetSysInfo"));
  platform::Library *previous = reader.systemLibrary;
  reader.systemLibrary = library;
  if (previous == library) {
    // The same library loaded once more: only its load count goes back down.
    platform::LibraryFree(previous);
  } else if (previous != nullptr) {
    // Another library: a worker may still be inside one of its entries, so it stays loaded
    // until the engine is closed, when the workers have stopped.
    reader.retiredLibraries.push_back(previous);
  }
  return 1;
}

}  // namespace bcr
