#include "platform/posix/sound_wav.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace bcr::platform {

namespace {

constexpr size_t kChunkHeader = 8;
constexpr size_t kRiffHeader = 12;
constexpr size_t kPcmFormatSize = 16;
constexpr uint16_t kFormatPcm = 1;

uint16_t Le16(const uint8_t *p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Le32(const uint8_t *p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool IsTag(const uint8_t *p, const char *tag) {
  return std::memcmp(p, tag, 4) == 0;
}

bool ParseFormat(const uint8_t *body, size_t size, WavSound *sound) {
  if (size < kPcmFormatSize) return false;
  uint16_t format = Le16(body);
  uint16_t channels = Le16(body + 2);
  uint32_t rate = Le32(body + 4);
  uint16_t blockAlign = Le16(body + 12);
  uint16_t bits = Le16(body + 14);
  if (format != kFormatPcm) return false;
  if (channels != 1 && channels != 2) return false;
  if (bits != 8 && bits != 16) return false;
  if (rate == 0) return false;
  if (blockAlign != channels * bits / 8) return false;
  sound->channels = channels;
  sound->bitsPerSample = bits;
  sound->sampleRate = rate;
  return true;
}

}  // namespace

bool ParseWav(const uint8_t *bytes, size_t size, WavSound *sound) {
  if (bytes == nullptr || size < kRiffHeader) return false;
  if (!IsTag(bytes, "RIFF") || !IsTag(bytes + 8, "WAVE")) return false;
  uint32_t riffSize = Le32(bytes + 4);
  // The RIFF size counts from the "WAVE" tag; bytes after it are not part of the file.
  if (riffSize < 4 || riffSize > size - kChunkHeader) return false;
  size_t end = kChunkHeader + riffSize;

  WavSound found;
  bool haveFormat = false;
  const uint8_t *data = nullptr;
  size_t dataSize = 0;
  size_t at = kRiffHeader;
  while (end - at >= kChunkHeader) {
    const uint8_t *chunk = bytes + at;
    size_t chunkSize = Le32(chunk + 4);
    at += kChunkHeader;
    if (chunkSize > end - at) return false;
    const uint8_t *body = bytes + at;
    if (IsTag(chunk, "fmt ")) {
      if (haveFormat || !ParseFormat(body, chunkSize, &found)) return false;
      haveFormat = true;
    } else if (IsTag(chunk, "data")) {
      if (data != nullptr) return false;
      data = body;
      dataSize = chunkSize;
    }
    at += chunkSize;
    // Chunks of odd size are followed by a pad byte, which a writer may leave out at the end.
    if (chunkSize % 2 != 0 && at < end) ++at;
  }
  if (!haveFormat || data == nullptr) return false;
  found.frames = data;
  found.frameCount = static_cast<uint32_t>(dataSize / found.FrameBytes());
  *sound = found;
  return true;
}

bool ReadSoundFile(const std::string &path, std::vector<uint8_t> *bytes) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
            static_cast<uint64_t>(info.st_size) <= kWavFileLimit;
  if (ok) {
    try {
      bytes->resize(static_cast<size_t>(info.st_size));
    } catch (const std::bad_alloc &) {
      close(fd);
      return false;
    }
    size_t done = 0;
    // A file that shrinks while it is read ends the read early; the parser sees what came.
    while (done < bytes->size()) {
      ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    bytes->resize(done);
  }
  close(fd);
  return ok;
}

}  // namespace bcr::platform
