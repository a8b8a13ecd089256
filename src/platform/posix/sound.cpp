#include "platform/sound.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/posix/record_sink.h"
#include "platform/posix/sound_alsa.h"
#include "platform/posix/sound_sink.h"
#include "platform/posix/sound_wav.h"
#include "platform/record_lines.h"

namespace bcr::platform {

namespace {

constexpr const char kAlsa[] = "alsa";
constexpr const char kDefaultDevice[] = "default";

std::once_flag sinkChosen;
SoundSink processSink;

bool AlsaPlayFile(const std::string &device, const std::string &path) {
  std::vector<uint8_t> bytes;
  WavSound sound;
  if (!ReadSoundFile(path, &bytes) || !ParseWav(bytes.data(), bytes.size(), &sound)) return false;
  return AlsaPlay(device, sound);
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
