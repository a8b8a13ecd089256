// The keyboard calls on Windows. The sink is chosen from $BCREADER_KEYBOARD at the first call and
// kept for the life of the process:
// - unset, empty or "system": the system's keyboard input (keybd_event, and PostKeybdMessage,
//   which on the desktop types the characters as Unicode keys);
// - "record:<file>": the line formats of platform/keyboard.h, appended to <file>;
// - "none" or any other text: nothing is sent.
// Every call runs under one lock, so the events of two calls never interleave.
#include "platform/keyboard.h"
#include "platform/record_lines.h"

#include <windows.h>

#include <string>

#include "platform/win32/ce_shims.h"
#include "platform/win32/record_sink.h"
#include "platform/win32/text.h"

namespace bcr::platform {

namespace {

enum class Sink { kUnchosen, kNone, kRecord, kSystem };

// The window that stands for the one with the keyboard focus.
const HWND kFocusWindow = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

SRWLOCK sinkLock = SRWLOCK_INIT;
Sink sink = Sink::kUnchosen;
std::wstring recordFile;

// Called with sinkLock held.
void ChooseSink() {
  if (sink != Sink::kUnchosen) return;
  std::wstring setting = EnvironmentText(L"BCREADER_KEYBOARD");
  if (setting.empty() || setting == L"system") {
    sink = Sink::kSystem;
  } else if (!RecordSinkFile(setting).empty()) {
    recordFile = RecordSinkFile(setting);
    sink = Sink::kRecord;
  } else {
    sink = Sink::kNone;
  }
}

}  // namespace

void KeybdEvent(uint8_t vk, uint8_t scan, uint32_t flags) {
  AcquireSRWLockExclusive(&sinkLock);
  ChooseSink();
  switch (sink) {
    case Sink::kRecord:
      AppendRecordLine(recordFile, KeybdEventLine(vk, scan, flags));
      break;
    case Sink::kSystem:
      keybd_event(vk, scan, KeybdEventFlags(flags), 0);
      break;
    case Sink::kNone:
    case Sink::kUnchosen:
      break;
  }
  ReleaseSRWLockExclusive(&sinkLock);
}

void PostKeybdMessage(uint32_t flags, uint32_t count, const uint32_t *shiftStates,
                      const uint32_t *chars) {
  if (count != 0 && (shiftStates == nullptr || chars == nullptr)) return;
  AcquireSRWLockExclusive(&sinkLock);
  ChooseSink();
  switch (sink) {
    case Sink::kRecord:
      AppendRecordLine(recordFile, PostKeybdLine(flags, count, shiftStates, chars));
      break;
    case Sink::kSystem:
      // The system's call takes its arrays as writable but only reads them.
      ::PostKeybdMessage(kFocusWindow, 0, flags, count, const_cast<UINT *>(shiftStates),
                         const_cast<UINT *>(chars));
      break;
    case Sink::kNone:
    case Sink::kUnchosen:
      break;
  }
  ReleaseSRWLockExclusive(&sinkLock);
}

}  // namespace bcr::platform
