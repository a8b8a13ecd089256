// The start-up read: right after an SE955 has been found by probing, every option of that engine
// is read once so that the parameter cache holds the engine's own values.
#ifndef BCREADER_CONFIG_STARTUP_READ_H
#define BCREADER_CONFIG_STARTUP_READ_H

namespace bcr {

class ScanEngine;

void ReadAllSettings(ScanEngine &reader);

}  // namespace bcr

#endif  // BCREADER_CONFIG_STARTUP_READ_H
