// The keyboard calls on Linux: the sink is chosen from the environment at the first call and
// kept; every call runs under one lock, so that calls from several threads never interleave.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/keyboard.h"
#include "platform/posix/record_sink.h"
#include "platform/record_lines.h"

namespace bcr::platform {

// The virtual keyboard on /dev/uinput (keyboard_uinput.cpp).
namespace uinput_sink {
bool Open();
void Key(uint8_t vk, bool release);
void Character(int32_t ch);
}  // namespace uinput_sink

namespace {

enum class Sink { kUnchosen, kNone, kRecord, kUinput };

constexpr const char kUinputPath[] = "/dev/uinput";

std::mutex sinkLock;
Sink sink = Sink::kUnchosen;
std::string recordFile;

// Called with sinkLock held.
void ChooseSink() {
  if (sink != Sink::kUnchosen) return;
  const char *setting = std::getenv("BCREADER_KEYBOARD");
  Sink chosen = Sink::kNone;
  if (setting == nullptr || *setting == '\0') {
    if (access(kUinputPath, W_OK) == 0) chosen = Sink::kUinput;
  } else if (std::strcmp(setting, "uinput") == 0) {
    chosen = Sink::kUinput;
  } else if (!RecordSinkFile(setting).empty()) {
    recordFile = RecordSinkFile(setting);
    chosen = Sink::kRecord;
  }
  if (chosen == Sink::kUinput && !uinput_sink::Open()) chosen = Sink::kNone;
  sink = chosen;
}

}  // namespace

void KeybdEvent(uint8_t vk, uint8_t scan, uint32_t flags) {
  std::lock_guard<std::mutex> lock(sinkLock);
  ChooseSink();
  switch (sink) {
    case Sink::kRecord:
      AppendRecordLine(recordFile, KeybdEventLine(vk, scan, flags));
      break;
    case Sink::kUinput:
      uinput_sink::Key(vk, (flags & kKeyEventKeyUp) != 0);
      break;
    case Sink::kNone:
    case Sink::kUnchosen:
      break;
  }
}

void PostKeybdMessage(uint32_t flags, uint32_t count, const uint32_t *shiftStates,
                      const uint32_t *chars) {
  if (count != 0 && (shiftStates == nullptr || chars == nullptr)) return;
  std::lock_guard<std::mutex> lock(sinkLock);
  ChooseSink();
  switch (sink) {
    case Sink::kRecord:
      AppendRecordLine(recordFile, PostKeybdLine(flags, count, shiftStates, chars));
      break;
    case Sink::kUinput:
      // Every posted character is typed as a whole key press; the key-state words, which on the
      // terminal tell the driver how to report it, have no counterpart here.
      for (uint32_t i = 0; i < count; ++i) uinput_sink::Character(static_cast<int32_t>(chars[i]));
      break;
    case Sink::kNone:
    case Sink::kUnchosen:
      break;
  }
}

}  // namespace bcr::platform
