// Sound files read with libsndfile: every encoding it knows (WAV in PCM of 8 to 32 bits, IEEE
// float, mu-law, A-law, IMA and MS ADPCM, WAVE_FORMAT_EXTENSIBLE; AIFF, FLAC, Ogg Vorbis and
// more), converted to the one sample format the player hands the device.
#ifndef BCREADER_PLATFORM_POSIX_SOUND_FILE_H
#define BCREADER_PLATFORM_POSIX_SOUND_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bcr::platform {

// Sounds of more samples than this (64 MiB of them) are not played.
constexpr size_t kMostSoundSamples = 32u * 1024u * 1024u;

// A playable sound: interleaved frames of signed 16-bit samples in the machine's byte order, at
// the file's own rate and with its own channels, so that it plays for the file's length.
struct PcmSound {
  uint32_t channels = 0;    // at least 1
  uint32_t sampleRate = 0;  // frames per second, not 0
  std::vector<int16_t> samples;
  uint64_t FrameCount() const { return channels == 0 ? 0 : samples.size() / channels; }
};

// Reads the sound file at path wholly. Only a regular file is opened (a FIFO or a device is
// never waited on). False, with *sound untouched and the reason in *why, for a file that cannot
// be opened, that libsndfile cannot read, whose data ends before the length its header gives,
// that yields fewer frames than it holds, or that is larger than kMostSoundSamples.
bool ReadSoundFile(const std::string &path, PcmSound *sound, std::string *why);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_SOUND_FILE_H
