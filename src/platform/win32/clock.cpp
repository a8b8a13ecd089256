#include "platform/clock.h"

#include <windows.h>

namespace bcr::platform {

void Sleep(uint32_t ms) {
  ::Sleep(ms);
}

// The tick count does not follow changes of the wall clock.
uint64_t NowMs() {
  return GetTickCount64();
}

}  // namespace bcr::platform
