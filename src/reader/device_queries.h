// Which engine is fitted, whether the reader is switched on, switching it, and the versions.
#ifndef BCREADER_READER_DEVICE_QUERIES_H
#define BCREADER_READER_DEVICE_QUERIES_H

#include <cstdint>

#include "state/results.h"

namespace bcr {

class ScanEngine;

constexpr const char *kDllVersion = "1.0.1.0";

int32_t ReaderType(const ScanEngine &reader);
int32_t ActiveDevice(const ScanEngine &reader);
// Switches the reader on (7, 255) or off (0) and records it in the registry.
int32_t SwitchReader(ScanEngine &reader, int32_t code);
int32_t DllVersion(char *buffer, int32_t size);
int32_t DecoderVersion(ScanEngine &reader, int32_t kind, char *buffer, int32_t size);

}  // namespace bcr

#endif  // BCREADER_READER_DEVICE_QUERIES_H
