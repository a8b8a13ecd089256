#include "core/system_library.h"

#include "core/scan_engine.h"
#include "platform/dynlib.h"

namespace bcr {

int LoadSystemLibrary(ScanEngine &engine) {
  if (engine.platformKind != kPlatformPocketPc) return 0;
  platform::Library *library = platform::LibraryLoad(kSystemLibraryName);
  if (library == nullptr) return 0;
  // A library loaded by an earlier open is released: the new handle replaces it.
  if (engine.systemLibrary != nullptr) platform::LibraryFree(engine.systemLibrary);
  engine.systemLibrary = library;
  engine.setLedLight =
      reinterpret_cast<SetLedLightEntry>(platform::LibrarySymbol(library, "SetLEDLight"));
  engine.setVibratorPower =
      reinterpret_cast<SetVibratorPowerEntry>(platform::LibrarySymbol(library, "SetVibratorPower"));
  engine.getSysInfo =
      reinterpret_cast<GetSysInfoEntry>(platform::LibrarySymbol(library, "GetSysInfo"));
  return 1;
}

}  // namespace bcr
