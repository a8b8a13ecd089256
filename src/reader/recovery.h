// Finding the engine again. When the link reports a hung-up line or an engine that stopped
// answering, the reader takes the engine for lost: it broadcasts "WM_READERSTATE" (lost), every
// port call of other threads fails at once, and the recovery worker, never the application's
// thread, closes the port, reopens the same port name (waiting with a back-off of 100 ms doubling
// up to 2 s for the device to be there again), reaches the engine at its working speed or at 9600
// and moves it to the working speed, gives it back every option value written since load, then
// the decode time-out and the trigger mode, and broadcasts "WM_READERSTATE" (back). It keeps
// trying until it succeeds or the library is unloaded.
#ifndef BCREADER_READER_RECOVERY_H
#define BCREADER_READER_RECOVERY_H

#include <cstdint>

namespace bcr {

class ScanEngine;
struct LibraryGlobals;
struct LibraryState;

// lParam of "WM_READERSTATE".
constexpr intptr_t kReaderStateLost = 0;
constexpr intptr_t kReaderStateBack = 1;

// Longest pause between two tries to find the engine, in ms.
constexpr uint32_t kLongestRecoveryPause = 2000;

// Connects the reports of the reader's link to the recovery, with the globals as its context; at
// every load.
void InstallHealthHandler(LibraryGlobals &globals);
// Whether the engine is taken for lost now.
bool EngineAway(const ScanEngine &reader);
// A try that is waiting out its back-off starts at once (InitReader while the engine is away).
void HurryRecovery(LibraryState &state);
// Stops every port call and makes the recovery give up (unload); bounded by one exchange attempt.
void AbortRecovery(ScanEngine &reader);

// The worker's thread body; its parameter is the library's globals, all the recovery works with.
void RecoveryThread(void *globals);

}  // namespace bcr

#endif  // BCREADER_READER_RECOVERY_H
