// The decodes announced on the bus, kept for clients that missed their signals: the last
// kSignalledKept of them, each once, in the order announced.
#ifndef BCREADER_STATE_SIGNALLED_DECODES_H
#define BCREADER_STATE_SIGNALLED_DECODES_H

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/bus.h"
#include "util/mutex.h"
#include "util/thread_annotations.h"

namespace bcr {

constexpr uint32_t kSignalledKept = 64;

struct SignalledDecodes {
  Mutex lock;
  std::deque<platform::BusDecode> kept GUARDED_BY(lock);
  uint64_t lastSeq GUARDED_BY(lock) = 0;     // the newest announced
  uint64_t droppedSeq GUARDED_BY(lock) = 0;  // the newest no longer kept
};

// Keeps an announced decode. A decode announced again (another module's post of the last decode)
// is kept only the first time: a client that has it must not be given it twice.
void KeepSignalled(const platform::BusDecode &decode);

// The kept decodes after seq, oldest first. True when a decode after seq was announced but is no
// longer kept (the client has missed it for good).
bool SignalledSince(uint64_t seq, std::vector<platform::BusDecode> *decodes);

// Forgets them all (a new load).
void ForgetSignalled();

}  // namespace bcr

#endif  // BCREADER_STATE_SIGNALLED_DECODES_H
