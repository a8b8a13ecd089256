#include "reader/recovery.h"

#include <atomic>
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
#include "reader/globals.h"
#include "state/library_state.h"
#include "state/scan_engine.h"
#include "state/workers.h"

namespace bcr {

namespace {

constexpr uint32_t kFirstRecoveryPause = 100;
constexpr uint32_t kPauseSlice = 20;

std::atomic<bool> hurry{false};
// The line made the engine suspect (input at another speed); the worker checks it.
std::atomic<bool> suspect{false};

bool Aborted(const ScanEngine &reader) {
  return reader.link.Health().Aborted() || State().quitFlag == 1;
}

// Sleeps up to ms; false when the library is being unloaded. A hurry ends the pause early.
bool Pause(const ScanEngine &reader, uint32_t ms) {
  for (uint32_t slept = 0; slept < ms; slept += kPauseSlice) {
    if (Aborted(reader)) return false;
    if (hurry.exchange(false)) return true;
    platform::Sleep(kPauseSlice);
  }
  return !Aborted(reader);
}

bool PauseOf(void *reader, uint32_t ms) {
  return Pause(*static_cast<const ScanEngine *>(reader), ms);
}

void BroadcastReaderState(intptr_t state) {
  platform::WindowPost(platform::BroadcastWindow(), State().messages.readerState, kReaderDevice,
                       state);
  AnnounceReaderState(state);
}

// Takes the engine for lost; false when it was already, or there is nothing to recover.
bool MarkLost(ScanEngine &reader, const char *reason) {
  if (reader.active == 0 || Aborted(reader)) return false;
  if (!reader.link.Health().MarkAway()) return false;
  if (platform::TraceOn()) TraceNote(reader.link, (std::string("engine lost: ") + reason).c_str());
  BroadcastReaderState(kReaderStateLost);
  return true;
}

// The link's reports, on the thread that noticed (the line reader's or an exchange's). A suspect
// engine is checked on the recovery worker, so that the line reader goes on reading its answer.
void OnHealthReport(void *context, HealthReport report, const char *reason) {
  ScanEngine &reader = *static_cast<ScanEngine *>(context);
  switch (report) {
    case HealthReport::kLost:
      if (MarkLost(reader, reason)) WakeWorker(State(), kRecoveryWorker);
      return;
    case HealthReport::kSuspect:
      if (reader.active == 0 || reader.link.Health().Away() || Aborted(reader)) return;
      suspect = true;
      WakeWorker(State(), kRecoveryWorker);
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
bool WaitForPortUsers(const ScanEngine &reader) {
  while (reader.link.Health().Users() != 0) {
    if (Aborted(reader)) return false;
    platform::Sleep(1);
  }
  return true;
}

// One try: the port anew, the engine at its working speed, its settings back.
bool TryOnce(ScanEngine &reader) {
  EngineLink &link = reader.link;
  if (!WaitForPortUsers(reader)) return false;
  // The port changes hands under the exchange lock. The exchanges after it do not hold the lock:
  // every other thread's port calls fail at once while the engine is away (the gate keeps them
  // apart), and a call waiting for the lock would wait out the whole try instead of failing fast.
  switch (OpenAndReach(link, Reach::kAgain, nullptr, PauseOf, &reader, nullptr)) {
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
  if (!RestoreSettings(reader)) {
    TraceNote(link, "recovery: the settings were not all taken");
    return false;
  }
  return true;
}

void Recover() {
  ScanEngine &reader = TheReader();
  EngineLink &link = reader.link;
  if (!link.Health().Away()) {
    // Input at another speed: an engine that does not answer at the working speed came back
    // from a power loss at its old speed, and is found again like a lost one.
    if (!suspect.exchange(false) || EngineAnswers(reader)) return;
    if (!MarkLost(reader, "input at another speed")) return;
  }
  RecoveryScope scope(link.Health());
  uint32_t pause = kFirstRecoveryPause;
  while (!Aborted(reader)) {
    if (TryOnce(reader)) {
      suspect = false;
      link.Health().Back();
      TraceNote(link, "engine back");
      BroadcastReaderState(kReaderStateBack);
      return;
    }
    if (!Pause(reader, pause)) break;
    pause = pause * 2 < kLongestRecoveryPause ? pause * 2 : kLongestRecoveryPause;
  }
}

}  // namespace

void InstallLostHandler(ScanEngine &reader) {
  reader.link.Health().SetHandler(OnHealthReport, &reader);
}

bool EngineAway(const ScanEngine &reader) {
  return reader.link.Health().Away();
}

void HurryRecovery() {
  hurry = true;
  WakeWorker(State(), kRecoveryWorker);
}

void AbortRecovery(ScanEngine &reader) {
  reader.link.Health().Abort();
}

void RecoveryThread(void *globals) {
  RunWorker(static_cast<LibraryGlobals *>(globals)->state, kRecoveryWorker, Recover);
}

}  // namespace bcr
