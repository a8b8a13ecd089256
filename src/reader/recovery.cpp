#include "reader/recovery.h"

#include <string>

#include "config/restore.h"
#include "link/frame.h"
#include "link/identify.h"
#include "link/serial_port.h"
#include "link/transaction.h"
#include "link/wire_trace.h"
#include "platform/clock.h"
#include "reader/bus_relay.h"
#include "reader/device_queries.h"
#include "state/library_globals.h"
#include "state/workers.h"

namespace bcr {

namespace {

constexpr uint32_t kFirstRecoveryPause = 100;
constexpr uint32_t kPauseSlice = 20;

// What the recovery works with, all of it from the globals it is given: the reader whose engine
// it finds again, and the running state (the quit flag, the messages, its worker and the
// requests made of it).
struct Recovery {
  explicit Recovery(LibraryGlobals &globals) : reader(globals.reader), state(globals.state) {}
  LinkHealth &Health() const { return reader.link.Health(); }

  ScanEngine &reader;
  LibraryState &state;
};

bool Aborted(const Recovery &recovery) {
  return recovery.Health().Aborted() || recovery.state.quitFlag == 1;
}

// Sleeps up to ms; false when the library is being unloaded. A hurry ends the pause early.
bool Pause(const Recovery &recovery, uint32_t ms) {
  for (uint32_t slept = 0; slept < ms; slept += kPauseSlice) {
    if (Aborted(recovery)) return false;
    if (recovery.state.recovery.TakeHurry()) return true;
    platform::Sleep(kPauseSlice);
  }
  return !Aborted(recovery);
}

bool PauseOf(void *recovery, uint32_t ms) {
  return Pause(*static_cast<const Recovery *>(recovery), ms);
}

void BroadcastReaderState(const Recovery &recovery, intptr_t state) {
  platform::WindowPost(platform::BroadcastWindow(), recovery.state.messages.readerState,
                       kReaderDevice, state);
  AnnounceReaderState(state);
}

// Takes the engine for lost; false when it was already, or there is nothing to recover.
bool MarkLost(const Recovery &recovery, const char *reason) {
  if (recovery.reader.active == 0 || Aborted(recovery)) return false;
  if (!recovery.Health().MarkAway()) return false;
  if (platform::TraceOn()) {
    TraceNote(recovery.reader.link, (std::string("engine lost: ") + reason).c_str());
  }
  BroadcastReaderState(recovery, kReaderStateLost);
  return true;
}

// The link's reports, on the thread that noticed (the line reader's or an exchange's). A suspect
// engine is checked on the recovery worker, so that the line reader goes on reading its answer.
void OnHealthReport(void *globals, HealthReport report, const char *reason) {
  const Recovery recovery(*static_cast<LibraryGlobals *>(globals));
  switch (report) {
    case HealthReport::kLost:
      if (MarkLost(recovery, reason)) WakeWorker(recovery.state, kRecoveryWorker);
      return;
    case HealthReport::kSuspect:
      if (recovery.reader.active == 0 || recovery.Health().Away() || Aborted(recovery)) return;
      recovery.state.recovery.Check();
      WakeWorker(recovery.state, kRecoveryWorker);
      return;
  }
}

// One revision request at the working speed: whether the engine answers it (a NAK is an answer).
bool EngineAnswers(ScanEngine &reader) {
  EngineLink &link = reader.link;
  PortHold hold(link.ExchangeLock(), kExchangeWait);
  if (!hold.Held()) return true;
  TraceNote(link, "check: input at another speed");
  WakeEngine(link);
  Bytes request = RevisionRequestFrame();
  Bytes reply;
  const ReplyStatus status = Exchange(link, request, kCommandTimeout, &reply, 1).status;
  return status == ReplyStatus::kOk || status == ReplyStatus::kNak ||
         status == ReplyStatus::kCancelled;
}

// Waits until no other thread is inside a port call (they all fail at once now); false on unload.
bool WaitForPortUsers(const Recovery &recovery) {
  while (recovery.Health().Users() != 0) {
    if (Aborted(recovery)) return false;
    platform::Sleep(1);
  }
  return true;
}

// One try: the port anew, the engine at its working speed, its settings back.
bool TryOnce(Recovery &recovery) {
  EngineLink &link = recovery.reader.link;
  if (!WaitForPortUsers(recovery)) return false;
  // The port changes hands under the exchange lock. The exchanges after it do not hold the lock:
  // every other thread's port calls fail at once while the engine is away (the gate keeps them
  // apart), and a call waiting for the lock would wait out the whole try instead of failing fast.
  switch (OpenAndReach(link, Reach::kAgain, nullptr, PauseOf, &recovery, nullptr)) {
    case Opened::kReached:
      break;
    case Opened::kNoPort:
      TraceNote(link, "recovery: the port does not open");
      return false;
    case Opened::kNotReached:
      TraceNote(link, "recovery: the engine does not answer");
      return false;
    case Opened::kBusy:
    case Opened::kCutShort:
      return false;
  }
  if (!RestoreSettings(recovery.reader)) {
    TraceNote(link, "recovery: the settings were not all taken");
    return false;
  }
  return true;
}

void Recover(Recovery &recovery) {
  EngineLink &link = recovery.reader.link;
  LinkHealth &health = recovery.Health();
  if (!health.Away()) {
    // Input at another speed: an engine that does not answer at the working speed came back
    // from a power loss at its old speed, and is found again like a lost one.
    if (!recovery.state.recovery.TakeCheck() || EngineAnswers(recovery.reader)) return;
    if (!MarkLost(recovery, "input at another speed")) return;
  }
  RecoveryScope scope(health);
  uint32_t pause = kFirstRecoveryPause;
  while (!Aborted(recovery)) {
    if (TryOnce(recovery)) {
      // A suspicion reported during the try is answered by it.
      recovery.state.recovery.TakeCheck();
      health.Back();
      TraceNote(link, "engine back");
      BroadcastReaderState(recovery, kReaderStateBack);
      return;
    }
    if (!Pause(recovery, pause)) break;
    pause = pause * 2 < kLongestRecoveryPause ? pause * 2 : kLongestRecoveryPause;
  }
}

}  // namespace

void InstallHealthHandler(LibraryGlobals &globals) {
  globals.reader.link.Health().SetHandler(OnHealthReport, &globals);
}

bool EngineAway(const ScanEngine &reader) {
  return reader.link.Health().Away();
}

void HurryRecovery(LibraryState &state) {
  state.recovery.Hurry();
  WakeWorker(state, kRecoveryWorker);
}

void AbortRecovery(ScanEngine &reader) {
  reader.link.Health().Abort();
}

void RecoveryThread(void *globals) {
  Recovery recovery(*static_cast<LibraryGlobals *>(globals));
  RunWorker(recovery.state, kRecoveryWorker, [&recovery] { Recover(recovery); });
}

}  // namespace bcr
