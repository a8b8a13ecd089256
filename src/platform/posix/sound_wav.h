// Wave files: the RIFF container with one PCM format chunk and one data chunk. Every length in
// the file is checked against the bytes there are; nothing is read outside them.
#ifndef BCREADER_PLATFORM_POSIX_SOUND_WAV_H
#define BCREADER_PLATFORM_POSIX_SOUND_WAV_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bcr::platform {

// Files larger than this are not played.
constexpr size_t kWavFileLimit = 64u * 1024u * 1024u;

// A playable sound: interleaved frames of little-endian samples (unsigned for 8 bits, signed for
// 16), pointing into the bytes it was parsed from.
struct WavSound {
  uint16_t channels = 0;       // 1 or 2
  uint16_t bitsPerSample = 0;  // 8 or 16
  uint32_t sampleRate = 0;     // frames per second, not 0
  const uint8_t *frames = nullptr;
  uint32_t frameCount = 0;  // whole frames only; a partial last frame is dropped
  uint32_t FrameBytes() const { return uint32_t{channels} * bitsPerSample / 8; }
};

// Parses a wave file held in memory. False, with *sound untouched, unless the bytes are a RIFF
// "WAVE" whose declared size lies within them and which holds a PCM "fmt " chunk (format 1,
// 1 or 2 channels, 8 or 16 bits, a non-zero rate, a block alignment matching both) and a
// "data" chunk, each wholly within the declared size. Other chunks are skipped.
bool ParseWav(const uint8_t *bytes, size_t size, WavSound *sound);

// Reads a regular file of at most kWavFileLimit bytes wholly. False when it cannot.
bool ReadSoundFile(const std::string &path, std::vector<uint8_t> *bytes);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_SOUND_WAV_H
