#include "platform/posix/sound_file.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <sstream>
#include <utility>

namespace bcr::platform {

namespace {

// libsndfile's account of a file's header holds at most this much text.
constexpr size_t kLogSize = 2048;

// Closes a descriptor and a libsndfile handle when they go out of scope.
struct OpenFile {
  int fd = -1;
  SNDFILE *sound = nullptr;
  ~OpenFile() {
    if (sound != nullptr) sf_close(sound);
    if (fd >= 0) close(fd);
  }
};

// libsndfile reads a file whose data chunk ends early up to where it ends, and says so only in
// its account of the header: "data : <length> (should be <what there is>)" ("SSND" in AIFF).
bool DataCutShort(SNDFILE *sound) {
  char log[kLogSize] = {};
  sf_command(sound, SFC_GET_LOG_INFO, log, sizeof log);
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    bool dataLine = line.compare(start, 4, "data") == 0 || line.compare(start, 4, "SSND") == 0;
    if (dataLine && line.find("(should be", start) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

bool ReadSoundFile(const std::string &path, PcmSound *sound, std::string *why) {
  OpenFile file;
  // Non-blocking, so that opening a FIFO does not wait for a writer.
  file.fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (file.fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    *why = "not a regular file";
    return false;
  }
  SF_INFO format{};
  file.sound = sf_open_fd(file.fd, SFM_READ, &format, SF_FALSE);
  if (file.sound == nullptr) {
    *why = sf_strerror(nullptr);
    return false;
  }
  if (DataCutShort(file.sound)) {
    *why = "its data ends before the length its header gives";
    return false;
  }
  if (format.channels < 1 || format.samplerate < 1 || format.frames < 0) {
    *why = "no channels, no rate or no length";
    return false;
  }
  const uint64_t frames = static_cast<uint64_t>(format.frames);
  const uint64_t channels = static_cast<uint64_t>(format.channels);
  if (frames > kMostSoundSamples / channels) {
    *why = "too long";
    return false;
  }
  PcmSound read;
  read.channels = static_cast<uint32_t>(format.channels);
  read.sampleRate = static_cast<uint32_t>(format.samplerate);
  try {
    read.samples.resize(frames * channels);
  } catch (const std::bad_alloc &) {
    *why = "no memory for its samples";
    return false;
  }
  // Float samples beyond full scale are held at its ends, not wrapped round.
  sf_command(file.sound, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  if (sf_readf_short(file.sound, read.samples.data(), format.frames) != format.frames) {
    *why = "fewer frames than it holds could be read";
    return false;
  }
  *sound = std::move(read);
  return true;
}

}  // namespace bcr::platform
