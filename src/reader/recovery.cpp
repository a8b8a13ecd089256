#include "reader/recovery.h"

#include <atomic>
#include <string>

#include "config/restore.h"
#include "link/identify.h"
#include "link/serial_port.h"
#include "link/wire_trace.h"
#include "platform/clock.h"
#include "reader/device_queries.h"
#include "reader/globals.h"
#include "state/library_state.h"
#include "state/scan_engine.h"
#include "state/workers.h"

namespace bcr {

namespace {

constexpr uint32_t kFirstRecoveryPause = 100;
constexpr uint32_t kReopenPause = 500;  // as after the first open: the line settles
constexpr uint32_t kPauseSlice = 20;
constexpr uint32_t kPortLockWait = 500;

std::atomic<bool> hurry{false};

bool Aborted(const ScanEngine &reader) {
  return reader.link.health.abort || State().quitFlag == 1;
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

void BroadcastReaderState(intptr_t state) {
  platform::WindowPost(platform::BroadcastWindow(), State().messages.readerState, kReaderDevice,
                       state);
}

void OnEngineLost(const char *reason) {
  ScanEngine &reader = TheReader();
  if (reader.active == 0 || Aborted(reader)) return;
  if (reader.link.health.away.exchange(true)) return;
  if (platform::TraceOn()) TraceNote(reader.link, (std::string("engine lost: ") + reason).c_str());
  BroadcastReaderState(kReaderStateLost);
  WakeWorker(State(), kRecoveryWorker);
}

// Waits until no other thread is inside a port call (they all fail at once now); false on unload.
bool WaitForPortUsers(const ScanEngine &reader) {
  while (reader.link.health.users != 0) {
    if (Aborted(reader)) return false;
    platform::Sleep(1);
  }
  return true;
}

// One try: the port anew, the engine at its working speed, its settings back.
bool TryOnce(ScanEngine &reader) {
  EngineLink &link = reader.link;
  if (!WaitForPortUsers(reader)) return false;
  // The port changes hands under the link lock. The exchanges after it do not hold the lock:
  // every other thread's port calls fail at once while the engine is away (the gate keeps them
  // apart), and a call waiting for the lock would wait out the whole try instead of failing fast.
  {
    PortHold hold(link.portLock, kPortLockWait);
    if (!hold.Held()) return false;
    ClosePort(link);
    link.decoding = 0;
    if (!OpenPort(link)) {
      TraceNote(link, "recovery: the port does not open");
      return false;
    }
  }
  TraceNote(link, "recovery: port open again");
  if (!Pause(reader, kReopenPause)) return false;
  if (!NegotiateSpeed(link)) {
    TraceNote(link, "recovery: the engine does not answer");
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
  if (!link.health.away) return;
  RecoveryScope scope(link.health);
  uint32_t pause = kFirstRecoveryPause;
  while (!Aborted(reader)) {
    if (TryOnce(reader)) {
      link.health.silentExchanges = 0;
      link.health.away = false;
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
  reader.link.health.onLost = OnEngineLost;
}

bool EngineAway(const ScanEngine &reader) {
  return reader.link.health.away;
}

void HurryRecovery() {
  hurry = true;
  WakeWorker(State(), kRecoveryWorker);
}

void AbortRecovery(ScanEngine &reader) {
  reader.link.health.abort = true;
}

void RecoveryThread(void *globals) {
  RunWorker(static_cast<LibraryGlobals *>(globals)->state, kRecoveryWorker, Recover);
}

}  // namespace bcr
