// The good-read sounds: wave files in the terminal's "\Windows\" folder, chosen by index.
#ifndef BCREADER_NOTIFY_SOUND_TABLE_H
#define BCREADER_NOTIFY_SOUND_TABLE_H

#include <cstdint>

#include "util/wstring.h"

namespace bcr {

constexpr int32_t kSoundCount = 9;

// The file of sound index 1..kSoundCount ("\Windows\" and the table name, no extension), or
// false for any other index.
bool TableSoundPath(int32_t index, WString *path);

// Plays the table sound of that index synchronously; nothing for an index outside the table.
void PlayTableSound(int32_t index);

// Plays a wave file synchronously; returns at once without playing when the sound device is
// busy. A missing or unplayable file plays nothing, silently.
void PlaySoundPath(const WString &path);

// Stops the sound now playing in the process, whichever thread plays it.
void StopPlayingSound();

}  // namespace bcr

#endif  // BCREADER_NOTIFY_SOUND_TABLE_H
