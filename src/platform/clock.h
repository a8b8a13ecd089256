// Time of the platform layer.
#ifndef BCREADER_PLATFORM_CLOCK_H
#define BCREADER_PLATFORM_CLOCK_H

#include <cstdint>

namespace bcr::platform {

void Sleep(uint32_t ms);
// Milliseconds of a monotonic clock.
uint64_t NowMs();

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_CLOCK_H
