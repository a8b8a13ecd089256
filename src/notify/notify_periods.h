// The LED and vibrator periods of a good read: switch on through the terminal's system library,
// wait on the engine's cancel semaphore for the period's length, switch off. A missing entry of
// the system library is skipped; the wait takes place all the same, so the timing does not
// depend on it. Releasing the cancel semaphore ends a period at once.
#ifndef BCREADER_NOTIFY_NOTIFY_PERIODS_H
#define BCREADER_NOTIFY_NOTIFY_PERIODS_H

#include <cstdint>

namespace bcr {

class ScanEngine;

// The shortest time the LED is lit.
constexpr int32_t kShortestLedMs = 400;
constexpr uint32_t kVibrateUnitMs = 500;

// Nothing for 0 ms; otherwise the LED is lit for ms, at least kShortestLedMs (negative times
// included).
void LedPeriod(ScanEngine &reader, int32_t ms);

// Nothing for 0 units; otherwise the vibrator runs units × kVibrateUnitMs, a product beyond the
// longest bounded wait being cut to it.
void VibratorPeriod(ScanEngine &reader, uint32_t units);

// The wait of a vibrator period of that many units, in ms.
uint32_t VibratorWaitMs(uint32_t units);

}  // namespace bcr

#endif  // BCREADER_NOTIFY_NOTIFY_PERIODS_H
