// Sound on Windows. The sink is chosen from $BCREADER_SOUND at the first play or stop and kept
// for the life of the process:
// - unset, empty or "system": PlaySoundW, with the name and flags as the library gives them
//   ("\Windows\Hwandsw" is a file on the current drive);
// - "record:<file>": the line formats of platform/sound.h, appended to <file>;
// - "none" or any other text: nothing is played.
#include "platform/sound.h"
#include "platform/record_lines.h"

#include <windows.h>

#include <string>

#include "platform/win32/record_sink.h"
#include "platform/win32/text.h"

namespace bcr::platform {

namespace {

enum class Sink { kNone, kRecord, kSystem };

// The flag of PlaySoundW's stop call.
constexpr DWORD kStopFlags = 1;

INIT_ONCE sinkChosen = INIT_ONCE_STATIC_INIT;
Sink sink = Sink::kNone;
std::wstring recordFile;

BOOL CALLBACK ChooseSink(INIT_ONCE *, void *, void **) {
  std::wstring setting = EnvironmentText(L"BCREADER_SOUND");
  if (setting.empty() || setting == L"system") {
    sink = Sink::kSystem;
  } else if (!RecordSinkFile(setting).empty()) {
    recordFile = RecordSinkFile(setting);
    sink = Sink::kRecord;
  }
  return TRUE;
}

Sink ProcessSink() {
  InitOnceExecuteOnce(&sinkChosen, ChooseSink, nullptr, nullptr);
  return sink;
}

// The name up to its first zero unit.
std::wstring NameText(const WString &name) {
  std::wstring text;
  for (uint32_t i = 0; i < name.Size() && name.Data()[i] != 0; ++i) {
    text.push_back(static_cast<wchar_t>(name.Data()[i]));
  }
  return text;
}

// The recorded form of a name: units up to 0xFF as bytes, larger ones in UTF-8, as on Linux.
std::string RecordedName(const std::wstring &name) {
  std::string text;
  for (wchar_t unit : name) {
    if (unit <= 0xFF) {
      text.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      text.push_back(static_cast<char>(0xC0 | unit >> 6));
      text.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      text.push_back(static_cast<char>(0xE0 | unit >> 12));
      text.push_back(static_cast<char>(0x80 | (unit >> 6 & 0x3F)));
      text.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return text;
}

}  // namespace

bool PlaySoundFile(const WString &name, uint32_t flags) {
  switch (ProcessSink()) {
    case Sink::kRecord:
      return AppendRecordLine(recordFile, PlaySoundLine(flags, RecordedName(NameText(name))));
    case Sink::kSystem:
      return PlaySoundW(NameText(name).c_str(), nullptr, flags) != FALSE;
    case Sink::kNone:
      break;
  }
  return false;
}

void StopSound() {
  switch (ProcessSink()) {
    case Sink::kRecord:
      AppendRecordLine(recordFile, "stop");
      break;
    case Sink::kSystem:
      PlaySoundW(nullptr, nullptr, kStopFlags);
      break;
    case Sink::kNone:
      break;
  }
}

// PlaySoundW opens and closes its device itself.
void SoundOpen() {}

void SoundClose() {}

}  // namespace bcr::platform
