#include "platform/sound.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <string>

#include "platform/posix/record_sink.h"
#include "platform/posix/sound_alsa.h"
#include "platform/posix/sound_file.h"
#include "platform/posix/sound_sink.h"
#include "platform/record_lines.h"
#include "platform/trace.h"

namespace bcr::platform {

namespace {

constexpr const char kAlsa[] = "alsa";
constexpr const char kDefaultDevice[] = "default";

std::once_flag sinkChosen;
SoundSink processSink;

// The files already reported as unplayable: each is reported once in the process, not at every
// good read. Bounded, so that a stream of ever new names cannot grow it without end.
std::mutex reportedLock;
std::set<std::string> reported;
constexpr size_t kMostReported = 256;

void ReportUnplayable(const std::string &path, const std::string &why) {
  {
    std::lock_guard<std::mutex> lock(reportedLock);
    if (reported.size() >= kMostReported || !reported.insert(path).second) return;
  }
  const std::string text = "sound file \"" + path + "\" cannot be played: " + why;
  std::fprintf(stderr, "bcreader: %s\n", text.c_str());
  TraceStep(0, text.c_str());
}

bool AlsaPlayFile(const std::string &device, const std::string &path) {
  // A play that finds another running returns at once, before it reads a file.
  if (AlsaPlaying()) return false;
  try {
    PcmSound sound;
    std::string why;
    if (!ReadSoundFile(path, &sound, &why)) {
      ReportUnplayable(path, why);
      return false;
    }
    return AlsaPlay(device, sound);
  } catch (const std::bad_alloc &) {
    return false;
  }
}

}  // namespace

SoundSink ChooseSoundSink(const char *setting, bool (*cardExists)()) {
  SoundSink sink;
  if (setting == nullptr || *setting == '\0') {
    if (cardExists()) {
      sink.kind = SoundSink::kAlsa;
      sink.target = kDefaultDevice;
    }
    return sink;
  }
  if (std::string file = RecordSinkFile(setting); !file.empty()) {
    sink.kind = SoundSink::kRecord;
    sink.target = file;
  } else if (std::strcmp(setting, kAlsa) == 0) {
    sink.kind = SoundSink::kAlsa;
    sink.target = kDefaultDevice;
  } else if (std::strncmp(setting, kAlsa, sizeof kAlsa - 1) == 0 &&
             setting[sizeof kAlsa - 1] == ':') {
    const char *device = setting + sizeof kAlsa;
    sink.kind = SoundSink::kAlsa;
    sink.target = *device != '\0' ? device : kDefaultDevice;
  }
  // "none", and any text that names no sink, leave the none sink.
  return sink;
}

const SoundSink &ProcessSoundSink() {
  std::call_once(sinkChosen, [] {
    processSink = ChooseSoundSink(std::getenv("BCREADER_SOUND"), AlsaCardExists);
  });
  return processSink;
}

bool SinkPlay(const SoundSink &sink, const WString &name, uint32_t flags) {
  switch (sink.kind) {
    case SoundSink::kRecord:
      return AppendRecordLine(sink.target, PlaySoundLine(flags, SoundNameText(name)));
    case SoundSink::kAlsa:
      return AlsaPlayFile(sink.target, SoundFilePath(SoundNameText(name), SoundDirectory()));
    case SoundSink::kNone:
      break;
  }
  return false;
}

void SinkStop(const SoundSink &sink) {
  switch (sink.kind) {
    case SoundSink::kRecord:
      AppendRecordLine(sink.target, "stop");
      break;
    case SoundSink::kAlsa:
      AlsaStop();
      break;
    case SoundSink::kNone:
      break;
  }
}

bool PlaySoundFile(const WString &name, uint32_t flags) {
  return SinkPlay(ProcessSoundSink(), name, flags);
}

void StopSound() {
  SinkStop(ProcessSoundSink());
}

void SoundOpen() {
  const SoundSink &sink = ProcessSoundSink();
  if (sink.kind == SoundSink::kAlsa) AlsaHold(sink.target);
}

void SoundClose() {
  AlsaRelease();
}

}  // namespace bcr::platform
