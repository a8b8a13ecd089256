#include "notify/notify_periods.h"

#include "platform/sync.h"
#include "state/scan_engine.h"

namespace bcr {

namespace {

constexpr int kLed = 1;
constexpr int kOn = 1;
constexpr int kOff = 0;
// The longest wait that still ends by itself.
constexpr uint64_t kLongestWaitMs = platform::kInfinite - 1;

void SetLed(ScanEngine &reader, int on) {
  if (SetLedLightEntry entry = reader.setLedLight; entry != nullptr) entry(kLed, on);
}

void SetVibrator(ScanEngine &reader, int on) {
  if (SetVibratorPowerEntry entry = reader.setVibratorPower; entry != nullptr) entry(on);
}

}  // namespace

void LedPeriod(ScanEngine &reader, int32_t ms) {
  if (ms == 0) return;
  uint32_t wait = static_cast<uint32_t>(ms < kShortestLedMs ? kShortestLedMs : ms);
  SetLed(reader, kOn);
  platform::SemaphoreWait(reader.ledCancel, wait);
  SetLed(reader, kOff);
}

uint32_t VibratorWaitMs(uint32_t units) {
  // A 32-bit product would wrap for large counts and cut a long vibration to a few ms.
  uint64_t ms = uint64_t{units} * kVibrateUnitMs;
  return static_cast<uint32_t>(ms < kLongestWaitMs ? ms : kLongestWaitMs);
}

void VibratorPeriod(ScanEngine &reader, uint32_t units) {
  if (units == 0) return;
  SetVibrator(reader, kOn);
  platform::SemaphoreWait(reader.vibratorCancel, VibratorWaitMs(units));
  SetVibrator(reader, kOff);
}

}  // namespace bcr
