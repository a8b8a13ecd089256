// platform/clock.h on the virtual clock of the fuzz targets.
#include "virtual_clock.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"

namespace bcr::fuzz {

namespace {

uint64_t now = 0;
uint64_t limit = UINT64_MAX;

}  // namespace

void ClockReset(uint64_t limitMs) {
  now = 0;
  limit = limitMs;
}

void ClockAdvance(uint64_t ms) {
  now += ms;
  if (now > limit) {
    std::fprintf(stderr, "virtual time %" PRIu64 " ms exceeds the bound of %" PRIu64 " ms\n", now,
                 limit);
    std::abort();
  }
}

}  // namespace bcr::fuzz

namespace bcr::platform {

void Sleep(uint32_t ms) {
  fuzz::ClockAdvance(ms);
}

uint64_t NowMs() {
  return fuzz::now;
}

}  // namespace bcr::platform
