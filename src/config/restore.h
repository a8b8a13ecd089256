// Giving an engine that lost its parameter store back what the application set: every option
// value written since load, then the trigger mode and the decode time-out.
#ifndef BCREADER_CONFIG_RESTORE_H
#define BCREADER_CONFIG_RESTORE_H

#include <cstdint>

#include "link/frame.h"

namespace bcr {

class ScanEngine;

// The frames, without checksum, in the order they are sent: one parameter send per handler with
// options written since load (the trigger mode and the decode time-out left out), then one with
// the decode time-out and the trigger mode as the library knows them (each only when known).
// At most kMaxRestoreFrames.
constexpr uint32_t kMaxRestoreFrames = 32;
uint32_t RestoreFrames(const ScanEngine &reader, Bytes *frames);

// Sends them; the caller holds the exchange lock. 1 when the engine acknowledged every one; stops
// at the first that fails.
int32_t RestoreSettings(ScanEngine &reader);

}  // namespace bcr

#endif  // BCREADER_CONFIG_RESTORE_H
