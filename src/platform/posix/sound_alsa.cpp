#include "platform/posix/sound_alsa.h"

// alsa/error.h of ALSA 1.2.8 declares snd_lib_error_set_local outside its extern "C" block, so
// C++ would look for a mangled name that the library does not have.
extern "C" {
#include <alsa/asoundlib.h>
}

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/clock.h"

namespace bcr::platform {

namespace {

// The device buffer the play asks for, and how far its writes may run ahead of the clock: more
// than the buffer, so that a real device always has its buffer filled.
constexpr unsigned kLatencyUs = 100000;
constexpr uint64_t kAheadMs = 200;
// Between two looks at the device and the stop flag.
constexpr uint32_t kStepMs = 10;
// A play that has not ended this long after its sound's length ends anyway.
constexpr uint64_t kOverrunMs = 2000;
// AlsaStop waits this long at most for the play to close its device.
constexpr auto kStopWait = std::chrono::milliseconds(1000);

// Every ALSA call on the play's device is made under soundLock, so that AlsaStop may drop the
// device from another thread; the device is opened non-blocking, so no call waits under it.
std::mutex soundLock;
std::condition_variable playEnded;
bool playing = false;
bool stopRequested = false;
snd_pcm_t *current = nullptr;
// The device AlsaHold opened, kept between plays, and its name.
snd_pcm_t *held = nullptr;
std::string heldDevice;

void Silent(const char *, int, const char *, int, const char *, va_list) {}

// ALSA writes its error messages to standard error unless told otherwise; this silences them
// on the calling thread only, leaving the handlers of an application that uses ALSA itself.
class QuietAlsa {
 public:
  QuietAlsa() : previous_(snd_lib_error_set_local(Silent)) {}
  ~QuietAlsa() { snd_lib_error_set_local(previous_); }
  QuietAlsa(const QuietAlsa &) = delete;
  QuietAlsa &operator=(const QuietAlsa &) = delete;

 private:
  snd_local_error_handler_t previous_;
};

enum class Step { kGoOn, kStopped, kFailed };

// Writes what the clock and the device allow of the remaining frames.
Step WriteSome(snd_pcm_t *pcm, const PcmSound &sound, uint64_t allowed, uint64_t *written) {
  std::lock_guard<std::mutex> lock(soundLock);
  if (stopRequested) return Step::kStopped;
  uint64_t count = std::min<uint64_t>(sound.FrameCount(), allowed) - *written;
  if (count == 0) return Step::kGoOn;
  snd_pcm_sframes_t n =
      snd_pcm_writei(pcm, sound.samples.data() + *written * sound.channels, count);
  if (n == -EAGAIN) return Step::kGoOn;
  if (n < 0) return snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0 ? Step::kFailed : Step::kGoOn;
  *written += static_cast<uint64_t>(n);
  return Step::kGoOn;
}

// True while the device still has frames to play. A device that never started (a sound shorter
// than its start threshold) is started here.
bool DeviceBusy(snd_pcm_t *pcm) {
  if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED && snd_pcm_start(pcm) < 0) return false;
  snd_pcm_sframes_t delay = 0;
  return snd_pcm_delay(pcm, &delay) == 0 && delay > 0;
}

bool Stream(snd_pcm_t *pcm, const PcmSound &sound) {
  uint64_t start = NowMs();
  const uint64_t frames = sound.FrameCount();
  uint64_t length = frames * 1000u / sound.sampleRate;
  uint64_t deadline = start + length + kOverrunMs;
  uint64_t written = 0;
  while (written < frames) {
    uint64_t now = NowMs();
    if (now > deadline) return false;
    uint64_t allowed = (now - start + kAheadMs) * sound.sampleRate / 1000u;
    uint64_t before = written;
    Step step = WriteSome(pcm, sound, allowed, &written);
    if (step != Step::kGoOn) return false;
    if (written == before) Sleep(kStepMs);
  }
  for (;;) {
    uint64_t now = NowMs();
    if (now > deadline) return false;
    {
      std::lock_guard<std::mutex> lock(soundLock);
      if (stopRequested) return false;
      if (now >= start + length && !DeviceBusy(pcm)) return true;
    }
    Sleep(kStepMs);
  }
}

// Non-blocking: a device another program holds answers EBUSY or EAGAIN at once.
snd_pcm_t *OpenDevice(const std::string &device) {
  snd_pcm_t *pcm = nullptr;
  if (snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
    return nullptr;
  }
  return pcm;
}

bool OpenAndStream(const std::string &device, const PcmSound &sound) {
  QuietAlsa quiet;
  snd_pcm_t *pcm = nullptr;
  {
    // Only one play runs at a time, so the held device is this play's until it ends.
    std::lock_guard<std::mutex> lock(soundLock);
    if (held != nullptr && heldDevice == device) pcm = held;
  }
  const bool own = pcm == nullptr;
  if (own && (pcm = OpenDevice(device)) == nullptr) return false;
  bool played = false;
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, sound.channels,
                         sound.sampleRate, 1, kLatencyUs) == 0) {
    bool stopped;
    {
      std::lock_guard<std::mutex> lock(soundLock);
      stopped = stopRequested;
      if (!stopped) current = pcm;
    }
    if (!stopped) played = Stream(pcm, sound);
  }
  {
    std::lock_guard<std::mutex> lock(soundLock);
    current = nullptr;
  }
  if (own) {
    snd_pcm_close(pcm);
  } else {
    // Back to its set-up state, ready to be set up anew by the next play.
    snd_pcm_drop(pcm);
  }
  return played;
}

}  // namespace

bool AlsaPlay(const std::string &device, const PcmSound &sound) {
  {
    std::lock_guard<std::mutex> lock(soundLock);
    if (playing) return false;
    playing = true;
    stopRequested = false;
  }
  bool played = OpenAndStream(device, sound);
  {
    std::lock_guard<std::mutex> lock(soundLock);
    playing = false;
  }
  playEnded.notify_all();
  return played;
}

void AlsaStop() {
  std::unique_lock<std::mutex> lock(soundLock);
  if (!playing) return;
  stopRequested = true;
  if (current != nullptr) {
    QuietAlsa quiet;
    snd_pcm_drop(current);
  }
  playEnded.wait_for(lock, kStopWait, [] { return !playing; });
}

void AlsaHold(const std::string &device) {
  {
    std::lock_guard<std::mutex> lock(soundLock);
    if (held != nullptr) return;
  }
  QuietAlsa quiet;
  snd_pcm_t *pcm = OpenDevice(device);
  if (pcm == nullptr) return;
  std::unique_lock<std::mutex> lock(soundLock);
  if (held == nullptr) {
    held = pcm;
    heldDevice = device;
    return;
  }
  lock.unlock();
  snd_pcm_close(pcm);
}

void AlsaRelease() {
  AlsaStop();
  snd_pcm_t *pcm;
  {
    std::lock_guard<std::mutex> lock(soundLock);
    // A play that outlived the stop keeps the device; it is closed with the process.
    if (playing) return;
    pcm = held;
    held = nullptr;
    heldDevice.clear();
  }
  if (pcm != nullptr) {
    QuietAlsa quiet;
    snd_pcm_close(pcm);
  }
}

bool AlsaPlaying() {
  std::lock_guard<std::mutex> lock(soundLock);
  return playing;
}

bool AlsaCardExists() {
  QuietAlsa quiet;
  int card = -1;
  return snd_card_next(&card) == 0 && card >= 0;
}

}  // namespace bcr::platform
