// The device codes the functions that address the reader accept, and the results of the
// exported functions that are not plain 1 or 0.
#ifndef BCREADER_STATE_RESULTS_H
#define BCREADER_STATE_RESULTS_H

#include <cstdint>

namespace bcr {

// The reader's device code: accepted by the functions that address the reader, carried by the
// broadcasts.
constexpr int32_t kReaderDevice = 7;
constexpr int32_t kAnyDevice = 255;
// What GetReaderType answers for each engine.
constexpr int32_t kReaderType4507 = 0x40;
constexpr int32_t kReaderTypeSE955 = 0x80;

constexpr int32_t kResultNoEngine = -101;
constexpr int32_t kResultNoWindow = -102;
constexpr int32_t kResultEngineNotFound = -103;
constexpr int32_t kResultEngineDown = -111;
constexpr int32_t kResultOtherEngine = -253;
constexpr int32_t kResultNoSoundPath = -242;
constexpr int32_t kResultBadBuffer = -300;

// The mode argument of the option and settings functions.
constexpr int32_t kModeRead = 'r';
constexpr int32_t kModeWrite = 'w';

}  // namespace bcr

#endif  // BCREADER_STATE_RESULTS_H
