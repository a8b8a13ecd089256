// On Windows the terminal's keyboard driver posts the trigger messages to the library's window
// itself, so the library watches no key.
#include "platform/trigger.h"

namespace bcr::platform {

bool TriggerSourceStart(Window *, uint32_t, uint32_t) {
  return false;
}

void TriggerSourceStop() {}

}  // namespace bcr::platform
