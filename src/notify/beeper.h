// Playing a sound on demand, on the caller's thread.
#ifndef BCREADER_NOTIFY_BEEPER_H
#define BCREADER_NOTIFY_BEEPER_H

#include <cstdint>

namespace bcr {

// The sound number that plays the file named by the path.
constexpr int32_t kBeeperFileSound = -1;
// The result for a sound number above the table.
constexpr int32_t kBeeperNoSuchSound = 4;

// Sound -1: stops the sound now playing and plays the narrow path as a file (-242 without a
// path). Sound above the table: nothing, 4. Any other sound: stops the sound now playing and
// plays that table sound (nothing outside 1..9). Returns 1 once the sound has been played. Needs
// no engine.
int32_t BeeperResult(int32_t sound, const char *path);

}  // namespace bcr

#endif  // BCREADER_NOTIFY_BEEPER_H
