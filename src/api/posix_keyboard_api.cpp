// The C boundary of the keyboard count (include/bcreader_posix.h).
#include "api/export.h"
#include "bcreader_posix.h"
#include "platform/posix/keyboard_sink.h"

BCR_EXPORT uint32_t BcrKeyboardSkippedCount(void) {
  return bcr::platform::KeyboardSkippedCount();
}
