// The terminal's scan key as a source of trigger messages: a watcher that posts one message to
// a window when the key goes down and another when it comes up, as the terminal's keyboard
// driver does for the library's window.
//
// On Linux the key is named by $BCREADER_TRIGGER, "<evdev device>:<key code>" (for example
// /dev/input/event2:191, the code decimal), read at every start. The watcher reads the device's
// input events on a thread of its own: a press of the key (value 1) posts downMessage, a release
// (value 0) upMessage, both with wParam 0 and lParam 0; auto-repeat and every other event are
// ignored. The device is not grabbed: other readers still see the key. When the device goes
// away (a read error, or the end of a pipe) the watcher ends by itself.
//
// Thread rules: start and stop may be called from any thread; they take turns. The messages are
// posted from the watcher's thread.
// Errors: TriggerSourceStart reports only whether a watcher runs.
#ifndef BCREADER_PLATFORM_TRIGGER_H
#define BCREADER_PLATFORM_TRIGGER_H

#include <cstdint>

#include "platform/window.h"

namespace bcr::platform {

// Starts watching the key for window, first stopping a watcher that already runs. False, with
// nothing watched, when the setting is unset or malformed, the device cannot be opened or the
// thread cannot be started. Does not block.
bool TriggerSourceStart(Window *window, uint32_t downMessage, uint32_t upMessage);

// Stops the watcher and closes the device; when it returns no message is posted any more.
// Returns promptly (the watcher wakes at once). Does nothing when no watcher runs.
void TriggerSourceStop();

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_TRIGGER_H
