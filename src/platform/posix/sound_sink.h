// The sinks behind the platform's sound calls on Linux, and the mapping of the terminal's sound
// names to files. PlaySoundFile and StopSound use the sink of the process; these functions take
// the sink as an argument, so that every sink can be used side by side.
#ifndef BCREADER_PLATFORM_POSIX_SOUND_SINK_H
#define BCREADER_PLATFORM_POSIX_SOUND_SINK_H

#include <cstdint>
#include <string>

#include "util/wstring.h"

namespace bcr::platform {

struct SoundSink {
  enum Kind { kNone, kAlsa, kRecord };
  Kind kind = kNone;
  std::string target;  // the ALSA device, or the record file
};

// The sink a $BCREADER_SOUND setting names (see platform/sound.h). cardExists is asked only
// when the setting is null or empty.
SoundSink ChooseSoundSink(const char *setting, bool (*cardExists)());

// The sink of the process: chosen from $BCREADER_SOUND on the first call, the same afterwards.
const SoundSink &ProcessSoundSink();

// The name as text: up to its first zero unit, units up to 0xFF as bytes, others in UTF-8 (a
// run of them holding a lone surrogate as U+FFFD).
std::string SoundNameText(const WString &name);

// The file a sound name stands for, with soundDir standing for "\Windows\" (see
// platform/sound.h; the file need not exist).
std::string SoundFilePath(const std::string &name, const std::string &soundDir);

// $BCREADER_SOUND_DIR when set and not empty, else the installation's sounds folder.
std::string SoundDirectory();

bool SinkPlay(const SoundSink &sink, const WString &name, uint32_t flags);
void SinkStop(const SoundSink &sink);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_SOUND_SINK_H
