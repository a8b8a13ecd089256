// The terminal's system library: tells the engine kind and drives the LED and the vibrator.
#ifndef BCREADER_READER_SYSTEM_LIBRARY_H
#define BCREADER_READER_SYSTEM_LIBRARY_H

namespace bcr {

class ScanEngine;

constexpr const char *kSystemLibraryName = "\\Windows\\Brevald.dll";

// Loads the library and takes its three entries (each null when missing). When it cannot be
// loaded the entries keep their values. 1 when loaded.
int LoadSystemLibrary(ScanEngine &reader);

}  // namespace bcr

#endif  // BCREADER_READER_SYSTEM_LIBRARY_H
