// The reset to defaults: the library's settings back to their values at load, and a fixed set of
// defaults written into the engine through the parameter handlers (only what differs from the
// parameter cache is sent).
#ifndef BCREADER_CONFIG_RESET_H
#define BCREADER_CONFIG_RESET_H

#include <cstdint>

namespace bcr {

class ScanEngine;

// Selector of ResetAllSettings.
constexpr int32_t kResetAllSelector = 2;

// With selector 2 and an engine fitted: the preference defaults, then every handler of the
// engine written with its reset values in a fixed order. A step refused or failed does not stop
// the sequence; one that nothing at all answered (the engine is not there) ends it. 1, or 0 for
// another selector or no engine.
int32_t ResetAllSettings(ScanEngine &reader, int32_t selector);

// ResetReaderToDefault: selector 7 or 255. -101 without an engine, 0 for another selector,
// else 1 whatever the engine answered. On the SE955 the trigger-mode field is written once more
// and the continuous mode follows it; on the 4507 the continuous mode is left as it was.
int32_t ResetReader(ScanEngine &reader, int32_t selector);

}  // namespace bcr

#endif  // BCREADER_CONFIG_RESET_H
