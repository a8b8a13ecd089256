// Code-page conversion through the system's own MultiByteToWideChar of CP_ACP, which already has
// every property platform/codepage.h names (the system code page is the system's setting, not
// an environment variable, on Windows).
#include "platform/codepage.h"

#include <windows.h>

namespace bcr::platform {

int ConvertToWide(const char *source, int sourceLength, uint16_t *destination,
                  int destinationLength) {
  if (source == nullptr || sourceLength == 0 || sourceLength < -1 || destinationLength < 0) {
    return 0;
  }
  if (destination == nullptr && destinationLength > 0) return 0;
  // wchar_t is a 16-bit unit on Windows: the same storage as uint16_t.
  return MultiByteToWideChar(CP_ACP, 0, source, sourceLength,
                             reinterpret_cast<wchar_t *>(destination), destinationLength);
}

}  // namespace bcr::platform
