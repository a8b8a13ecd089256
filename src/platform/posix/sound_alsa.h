// Playback through ALSA. One sound plays at a time in the process. The play paces its writes by
// the monotonic clock as well as by the device, so that it lasts the sound's length on any
// device, the "null" device included (which takes samples as fast as they come). No message of
// ALSA reaches the standard error of the calling thread.
//
// Thread rules: AlsaPlay from any thread, several at once (all but one return at once);
// AlsaStop from any thread. Every wait inside is bounded.
#ifndef BCREADER_PLATFORM_POSIX_SOUND_ALSA_H
#define BCREADER_PLATFORM_POSIX_SOUND_ALSA_H

#include <string>

#include "platform/posix/sound_file.h"

namespace bcr::platform {

// Plays the sound on the device, in signed 16-bit samples at the sound's rate, and returns when
// it has been played. Returns false at once when
// a play is running in the process or the device is busy (opened non-blocking), and false when
// the device cannot be opened or set up, or when the play was stopped.
bool AlsaPlay(const std::string &device, const PcmSound &sound);

// Stops the play in progress, if any, and returns once it has closed its device (waiting at most
// about a second). Nothing when no sound plays.
void AlsaStop();

// Opens the device and keeps it for the plays on it that follow, which then only set it up and
// write. Nothing when a device is held already or the device cannot be opened.
void AlsaHold(const std::string &device);

// Stops a play in progress and closes the held device, if any.
void AlsaRelease();

// True while a play holds the process's sound.
bool AlsaPlaying();

// True when the machine has at least one sound card.
bool AlsaCardExists();

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_SOUND_ALSA_H
