#include "state/signalled_decodes.h"

#include "state/library_globals.h"

namespace bcr {

namespace {

SignalledDecodes &TheSignalled() {
  return Globals().signalled;
}

}  // namespace

void KeepSignalled(const platform::BusDecode &decode) {
  SignalledDecodes &signalled = TheSignalled();
  MutexLock guard(signalled.lock);
  if (decode.seq <= signalled.lastSeq) return;
  signalled.lastSeq = decode.seq;
  signalled.kept.push_back(decode);
  if (signalled.kept.size() > kSignalledKept) {
    signalled.droppedSeq = signalled.kept.front().seq;
    signalled.kept.pop_front();
  }
}

bool SignalledSince(uint64_t seq, std::vector<platform::BusDecode> *decodes) {
  SignalledDecodes &signalled = TheSignalled();
  MutexLock guard(signalled.lock);
  for (const platform::BusDecode &decode : signalled.kept) {
    if (decode.seq > seq) decodes->push_back(decode);
  }
  return signalled.droppedSeq > seq;
}

void ForgetSignalled() {
  SignalledDecodes &signalled = TheSignalled();
  MutexLock guard(signalled.lock);
  signalled.kept.clear();
  signalled.lastSeq = 0;
  signalled.droppedSeq = 0;
}

}  // namespace bcr
