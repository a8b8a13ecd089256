// The three good-read workers. Each reads its setting when it is woken, so a change made by
// NotificationSettings applies from the next good read on.
#include "notify/notify_threads.h"

#include "notify/notify_periods.h"
#include "notify/sound_table.h"
#include "state/library_globals.h"
#include "state/workers.h"

namespace bcr {

void VibrateThread(void *globals) {
  LibraryGlobals &library = *static_cast<LibraryGlobals *>(globals);
  RunWorker(library.state, kVibrateWorker, [&library] {
    const Settings &settings = library.settings;
    if (settings.vibrateEnabled != 0) VibratorPeriod(library.reader, settings.vibrateUnits);
  });
}

void LedThread(void *globals) {
  LibraryGlobals &library = *static_cast<LibraryGlobals *>(globals);
  RunWorker(library.state, kLedWorker,
            [&library] { LedPeriod(library.reader, library.settings.ledDuration); });
}

// Does not stop a sound that Beeper plays: a busy device makes the good-read sound silent.
void BeepThread(void *globals) {
  LibraryGlobals &library = *static_cast<LibraryGlobals *>(globals);
  RunWorker(library.state, kBeepWorker,
            [&library] { PlayTableSound(library.settings.goodReadSound); });
}

}  // namespace bcr
