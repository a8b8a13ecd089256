// Which engine is fitted, whether the reader is switched on, switching it, and the versions.
#ifndef BCREADER_CORE_DEVICE_QUERIES_H
#define BCREADER_CORE_DEVICE_QUERIES_H

#include <cstdint>

namespace bcr {

class ScanEngine;

// The reader's device code: accepted by the functions that address the reader, carried by the
// broadcasts.
constexpr int32_t kReaderDevice = 7;
constexpr int32_t kAnyDevice = 255;

// Results of the exported functions.
constexpr int32_t kResultNoEngine = -101;
constexpr int32_t kResultNoWindow = -102;
constexpr int32_t kResultEngineNotFound = -103;
constexpr int32_t kResultEngineDown = -111;
constexpr int32_t kResultOtherEngine = -253;
constexpr int32_t kResultNoSoundPath = -242;
constexpr int32_t kResultBadBuffer = -300;

constexpr const char *kDllVersion = "1.0.1.0";

int32_t ReaderType(const ScanEngine &engine);
int32_t ActiveDevice(const ScanEngine &engine);
// Switches the reader on (7, 255) or off (0) and records it in the registry.
int32_t SwitchReader(ScanEngine &engine, int32_t code);
int32_t DllVersion(char *buffer, int32_t size);
int32_t DecoderVersion(ScanEngine &engine, int32_t kind, char *buffer, int32_t size);

}  // namespace bcr

#endif  // BCREADER_CORE_DEVICE_QUERIES_H
