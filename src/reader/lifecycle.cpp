#include "reader/lifecycle.h"

#include <string>

#include "config/handlers.h"
#include "config/startup_read.h"
#include "decode/reception.h"
#include "link/identify.h"
#include "link/serial_port.h"
#include "notify/notify_threads.h"
#include "platform/clock.h"
#include "platform/sound.h"
#include "platform/trace.h"
#include "platform/trigger.h"
#include "reader/auto_trigger.h"
#include "reader/bus_relay.h"
#include "reader/device_queries.h"
#include "reader/globals.h"
#include "reader/recovery.h"
#include "reader/system_library.h"
#include "reader/window_proc.h"
#include "state/workers.h"

namespace bcr {

namespace {

constexpr uint32_t kInitPause = 500;

// "DecodeEventBC", set once per delivered decode for processes that wait on it.
constexpr const char *kDecodeEventName = "DecodeEventBC";

struct MessageName {
  std::atomic<uint32_t> Messages::*number;
  const char *name;
};

// Registered in this order.
const MessageName kMessageNames[] = {
    {&Messages::decodeImg, "WM_DECODEIMG"},     {&Messages::decodeImage, "WM_DECODEIMAGE"},
    {&Messages::user1Down, "WM_USER1DOWN"},     {&Messages::user2Down, "WM_USER2DOWN"},
    {&Messages::user1Up, "WM_USER1UP"},         {&Messages::user2Up, "WM_USER2UP"},
    {&Messages::decode, "WM_DECODE"},           {&Messages::decodeData, "WM_DECODEDATA"},
    {&Messages::readerState, "WM_READERSTATE"},
};

// The order of detach; the notification workers follow the cancel of the LED and vibrator.
const Worker kStopOrder[] = {kRecoveryWorker, kDecodeWorker, kAutoTriggerWorker,
                             kVibrateWorker,  kLedWorker,    kBeepWorker};

platform::Semaphore *NewSemaphore() {
  return platform::SemaphoreCreate(0, 1);
}

void WakeAutoTrigger(void *state) {
  WakeWorker(*static_cast<LibraryState *>(state), kAutoTriggerWorker);
}

bool SleepThrough(void *, uint32_t ms) {
  platform::Sleep(ms);
  return true;
}

// Opens port 2 and identifies the engine; the port is closed again when that fails. An SE955
// that was found by probing has every option read once, so that the parameter cache holds the
// engine's own values.
int OpenEngine(ScanEngine &reader) {
  bool probed = false;
  if (OpenAndReach(reader.link, Reach::kIdentify, reader.getSysInfo, SleepThrough, nullptr,
                   &probed) != Opened::kReached) {
    reader.link.Close();
    return 0;
  }
  if (probed) ReadAllSettings(reader);
  return 1;
}

// What a previous load of the library in this process left (the case of programs that run the
// reader's parts several times over in one process) is forgotten: the flags, the settings, the
// parameter cache, the trigger mode and the last decode.
void StartAfresh(LibraryState &state) {
  state.quitFlag = 0;
  state.readerInitialised = 0;
  state.keepWindowOnDetach = 0;
  ResetSettings();
  ScanEngine &reader = TheReader();
  reader.triggerMode = kInitialTriggerMode;
  reader.paramCache.Forget();
  reader.SetDecodeResult(Decode());
  reader.pressLine = ScanEngine::kNoPress;
  ForgetDecodes();
}

}  // namespace

void ProcessAttach(void *module) {
  LibraryState &state = State();
  StartAfresh(state);
  for (const MessageName &message : kMessageNames) {
    (state.messages.*message.number) = platform::WindowMessageRegister(message.name);
  }
  if (state.decodeEvent == nullptr) state.decodeEvent = platform::EventOpen(kDecodeEventName);
  state.moduleInstance = module;
  TheReader().link.ExchangeLock().Reopen();
  TheReader().link.Decodes().Reopen();
  // Done semaphores first, then the start semaphores of the decode and auto-trigger workers and
  // of the notification workers.
  for (WorkerSlot &slot : state.workers) slot.done = NewSemaphore();
  state.workers[kDecodeWorker].start = NewSemaphore();
  state.workers[kAutoTriggerWorker].start = NewSemaphore();
  state.workers[kLedWorker].start = NewSemaphore();
  state.workers[kVibrateWorker].start = NewSemaphore();
  state.workers[kBeepWorker].start = NewSemaphore();
  state.workers[kRecoveryWorker].start = NewSemaphore();
  TheReader().SetModeChangedHandler(WakeAutoTrigger, &state);
  // A load starts with a healthy link and asks nothing of the recovery.
  TheReader().link.Health().Reset();
  state.recovery.Forget();
  InstallHealthHandler(Globals());
}

void ProcessDetach() {
  LibraryState &state = State();
  ScanEngine &reader = TheReader();
  // A recovery in progress gives up, and every exchange with it.
  AbortRecovery(reader);
  platform::TriggerSourceStop();
  // A reception that is listening, and every wait for the port, give up at once: the unload
  // then takes no longer with a pending read than with an idle reader.
  reader.link.ExchangeLock().Cancel();
  reader.link.Decodes().Cancel();
  // The line reader ends within its listening slice: every port call fails once aborted.
  reader.link.Line().Stop();
  for (Worker worker : kStopOrder) {
    if (worker == kVibrateWorker) {
      platform::SemaphoreRelease(reader.ledCancel, 1);
      platform::SemaphoreRelease(reader.vibratorCancel, 1);
    }
    StopWorker(state, worker);
  }
  // Nothing announces on the bus any more; other processes stop reaching the window.
  LeaveBus();
  platform::SoundClose();
  for (WorkerSlot &slot : state.workers) {
    platform::SemaphoreClose(slot.start);
    platform::SemaphoreClose(slot.done);
    slot.start = slot.done = nullptr;
  }
  reader.SetModeChangedHandler(nullptr, nullptr);
  if (platform::Window *window = state.readerWindow.exchange(nullptr); window != nullptr) {
    // A kept window outlives the library: nothing of the library may run for it any more.
    if (state.keepWindowOnDetach == 0) {
      platform::WindowDestroy(window);
    } else {
      platform::WindowRelease(window);
    }
    platform::WindowClassUnregister(kReaderWindowClass);
  }
  // The event itself lives on for other processes; only this process's handle goes, so that a
  // library unloaded and loaded again leaves nothing behind.
  platform::EventClose(state.decodeEvent);
  state.decodeEvent = nullptr;
}

EngineOpen ConnectEngine(ScanEngine &reader) {
  if (reader.link.IsOpen()) return EngineOpen::kOpen;
  platform::TraceConfigure();
  LoadSystemLibrary(reader);
  if (OpenEngine(reader)) {
    reader.SetActive(1);
    return EngineOpen::kOpen;
  }
  reader.SetActive(0);
  const EngineOpen failed =
      reader.DeviceType() != kNoEngine ? EngineOpen::kKindKnownDown : EngineOpen::kNoKind;
  reader.link.SetDeviceType(kNoEngine);
  return failed;
}

int32_t InitReader() {
  LibraryState &state = State();
  ScanEngine &reader = TheReader();
  if (state.readerWindow == nullptr) {
    uint32_t error = 0;
    if (!platform::WindowClassRegister(kReaderWindowClass, ReaderWindowProc, &error) &&
        error != platform::kErrorClassAlreadyExists) {
      return kResultNoWindow;
    }
    platform::Window *window = platform::WindowCreate(kReaderWindowClass);
    state.readerWindow = window;
    if (window == nullptr) return kResultNoWindow;
    // The terminal's scan key, where one is configured, presses the trigger of this window.
    platform::TriggerSourceStart(window, state.messages.user1Down, state.messages.user1Up);
  }
  // The engine was lost: its recovery tries again at once, and until it succeeds the engine is
  // one that does not answer.
  if (EngineAway(reader)) {
    HurryRecovery(state);
    return kResultEngineDown;
  }
  const EngineOpen open = ConnectEngine(reader);
  if (open == EngineOpen::kNoKind) return kResultEngineNotFound;
  const bool opened = open == EngineOpen::kOpen;
  state.readerInitialised = 1;
  JoinBus();
  LibraryGlobals *globals = &Globals();
  if (opened && reader.active != 0) {
    StartWorker(state, kDecodeWorker, DecodeThread, globals);
    if (IsKnownEngine(reader.DeviceType()))
      StartWorker(state, kAutoTriggerWorker, AutoTriggerThread, globals);
    StartWorker(state, kRecoveryWorker, RecoveryThread, globals);
  }
  // The sound device is opened here rather than by the sound worker, which then never needs the
  // dynamic loader: an unload holds the loader's lock while it waits for the worker.
  platform::SoundOpen();
  StartWorker(state, kVibrateWorker, VibrateThread, globals);
  StartWorker(state, kLedWorker, LedThread, globals);
  StartWorker(state, kBeepWorker, BeepThread, globals);
  platform::Sleep(kInitPause);
  return opened ? 1 : kResultEngineDown;
}

int32_t InitReaderForNet() {
  State().keepWindowOnDetach = 1;
  return InitReader();
}

}  // namespace bcr
