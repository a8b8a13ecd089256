// The virtual clock the fuzz targets run on: Sleep and read time-outs advance it at once, so a
// target runs at full speed while its inputs are still measured in the engine protocol's time.
// Every target gives each input a limit; crossing it stops the process at the wait that crossed
// it, which is where a wait without bound shows.
#ifndef BCREADER_FUZZ_VIRTUAL_CLOCK_H
#define BCREADER_FUZZ_VIRTUAL_CLOCK_H

#include <cstdint>

namespace bcr::fuzz {

// Sets the clock to 0 and the limit for the input about to run, in ms.
void ClockReset(uint64_t limitMs);
// Aborts when the clock passes the limit.
void ClockAdvance(uint64_t ms);

}  // namespace bcr::fuzz

#endif  // BCREADER_FUZZ_VIRTUAL_CLOCK_H
