// Sound of the platform layer: play a wave file synchronously, stop the sound now playing.
//
// On Linux the sound goes to the sink that $BCREADER_SOUND names, read once, when the process
// first plays or stops a sound:
// - "alsa" or "alsa:<device>": sound files of any encoding libsndfile reads, played through ALSA
//   on <device> ("default" when not named; "alsa:null" runs the whole path without a sound card,
//   in real time); a file that cannot be read is reported once in the process, on standard error
//   and in the wire trace, and plays nothing;
// - "none": nothing is played;
// - "record:<file>": one line per call appended to <file>: "play <flags> <name>" with the flags
//   in decimal and the name as given, unmapped, and "stop";
// - unset or empty: "alsa" when the machine has a sound card, else "none"; any other text:
//   "none".
// Names: "\Windows\X" (the prefix in any case, further '\' taken as '/') stands for
// <dir>/X when that file exists, else <dir>/X.wav, where <dir> is $BCREADER_SOUND_DIR (read at
// every play) or, when that is unset or empty, the sounds folder of the installation. Any other
// name is a path and used as given. A name ends at its first zero unit; units up to 0xFF are
// the bytes of the file name, larger units are written in UTF-8.
//
// Thread rules: any thread, several at once. One sound plays at a time in the process; a play
// that finds another running returns at once without playing. StopSound may be called from any
// thread while another thread plays.
// Errors: a failed play returns false; only an unreadable file is reported (above).
#ifndef BCREADER_PLATFORM_SOUND_H
#define BCREADER_PLATFORM_SOUND_H

#include <cstdint>

#include "util/wstring.h"

namespace bcr::platform {

// The flags of a play: the name is a file; return at once, without playing, when the sound
// device is busy.
constexpr uint32_t kSoundFileName = 0x20000;
constexpr uint32_t kSoundNoWait = 0x2000;
// The flags of every play of the library: a file, synchronously, not waiting for a busy device.
constexpr uint32_t kSoundPlayFile = kSoundFileName | kSoundNoWait;

// Plays the named file and returns when it has been played to its end (or stopped). The Linux
// sinks play every call this way and record the flags as given. True when the sound was played
// to its end (the record sink: when the line was written); false for a missing or unplayable
// file, a busy device, a stopped play, or the none sink.
bool PlaySoundFile(const WString &name, uint32_t flags);

// Stops the sound now playing in the process, if any, and returns once its device is free, so
// that a play that follows finds the device idle. Nothing when no sound plays.
void StopSound();

// Makes the sound device ready for the plays to come, on the calling thread, and holds it until
// SoundClose; a play on another thread then loads nothing. On Linux the ALSA sink opens its
// device here (a play opens it itself when none is held): opening a device loads ALSA's
// modules through the dynamic loader, whose lock an unload of the library holds while it waits
// for the workers that play. Nothing for the other sinks, nor on Windows. Does not wait for a
// play; a held device that cannot be opened is simply not held.
void SoundOpen();

// Lets the held device go, stopping a play that uses it first. Nothing when none is held.
void SoundClose();

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_SOUND_H
