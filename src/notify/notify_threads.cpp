// The three good-read workers. Each reads its setting when it is woken, so a change made by
// NotificationSettings applies from the next good read on.
#include "state/reader.h"
#include "state/settings.h"
#include "reader/workers.h"
#include "notify/notify_periods.h"
#include "notify/sound_table.h"

namespace bcr {

namespace {

void VibrateCycle() {
  Settings &settings = CurrentSettings();
  if (settings.vibrateEnabled != 0) VibratorPeriod(TheReader(), settings.vibrateUnits);
}

void LedCycle() {
  LedPeriod(TheReader(), CurrentSettings().ledDuration);
}

// Does not stop a sound that Beeper plays: a busy device makes the good-read sound silent.
void BeepCycle() {
  PlayTableSound(CurrentSettings().goodReadSound);
}

}  // namespace

void VibrateThread(void *) {
  RunWorker(kVibrateWorker, VibrateCycle);
}

void LedThread(void *) {
  RunWorker(kLedWorker, LedCycle);
}

void BeepThread(void *) {
  RunWorker(kBeepWorker, BeepCycle);
}

}  // namespace bcr
