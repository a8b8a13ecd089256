// ScanEngine: the one reader object of the process. It owns the serial link, the state the
// exported functions share, and the entries of the terminal's system library.
#ifndef BCREADER_STATE_SCAN_ENGINE_H
#define BCREADER_STATE_SCAN_ENGINE_H

#include <atomic>
#include <cstdint>

#include <mutex>
#include <vector>

#include "link/engine_link.h"
#include "link/identify.h"
#include "platform/sync.h"
#include "state/param_cache.h"
#include "state/published_decode.h"

namespace bcr::platform {
struct Library;
}

namespace bcr {

// Entries of the terminal's system library besides GetSysInfo.
using SetLedLightEntry = void (*)(int which, int on);
using SetVibratorPowerEntry = void (*)(int on);

constexpr uint32_t kInitialTriggerMode = 6;

class ScanEngine {
 public:
  ScanEngine();
  ~ScanEngine();  // Close
  ScanEngine(const ScanEngine &) = delete;
  ScanEngine &operator=(const ScanEngine &) = delete;

  int32_t DeviceType() const { return link.DeviceType(); }
  // Switched off, the reader neither acknowledges nor keeps what the engine sends.
  void SetActive(uint32_t value) {
    active = value;
    link.SetDecodesWanted(value != 0);
  }
  // Closes the port and the link's semaphores, sets the link back to its construction values,
  // clears the active flag, ends LED and vibrator periods and frees the system library.
  void Close();

  // A released cancel semaphore ends an LED or vibrator period early.
  platform::Semaphore *ledCancel = nullptr;
  platform::Semaphore *vibratorCancel = nullptr;
  platform::Library *systemLibrary = nullptr;
  // System libraries replaced by a later engine open, freed by Close.
  std::vector<platform::Library *> retiredLibraries;
  EngineLink link;
  // 1 while the reader may decode.
  std::atomic<uint32_t> active{0};
  // What the option functions know of the engine's parameters since load.
  ParamCache paramCache;
  // Option 6 of the one-dimensional engine's user preferences: kept here, never sent.
  std::atomic<int32_t> libraryKeptValue{0};
  // The engine's trigger mode as last written successfully by the preference functions.
  std::atomic<uint32_t> triggerMode{kInitialTriggerMode};
  std::atomic<SetLedLightEntry> setLedLight{nullptr};
  std::atomic<SetVibratorPowerEntry> setVibratorPower{nullptr};
  std::atomic<GetSysInfoEntry> getSysInfo{nullptr};
  // Told when a write or a reset changed the trigger mode (the reader's auto-trigger follows it);
  // set with its context by whoever runs the workers, none while there are none.
  using ModeChangedHandler = void (*)(void *context);
  void SetModeChangedHandler(ModeChangedHandler handler, void *context) {
    modeChangedContext = context;
    onModeChanged = handler;
  }
  void ReportModeChanged() {
    if (ModeChangedHandler handler = onModeChanged.load(); handler != nullptr) {
      handler(modeChangedContext.load());
    }
  }

  // The last decode any reception received (the decode thread's or a synchronous read's), whole.
  // Guarded by decodeLock, held only while copying.
  Decode DecodeResult() const;
  void SetDecodeResult(const Decode &decode);
  // A reception that ended without a decode empties the data (code type and name keep theirs),
  // but only while the DecodeResult is still the decode of that sequence number, the one it found
  // when it started: a decode that another reception received meanwhile stays.
  void EmptyDecodeData(uint64_t seq);

  // When the first trigger press that no reception has served yet was posted (platform clock),
  // kNoPress when there is none: its reception takes the first decode that began after it.
  static constexpr uint64_t kNoPress = ~uint64_t{0};
  std::atomic<uint64_t> pressLine{kNoPress};

 private:
  std::atomic<ModeChangedHandler> onModeChanged{nullptr};
  std::atomic<void *> modeChangedContext{nullptr};
  mutable std::mutex decodeLock;
  Decode decodeResult;
};

// Continuous trigger modes (7 on the 4507, 4 on the SE955): the reader re-arms its reads by
// itself and ignores trigger presses. The trigger mode alone decides it.
bool InContinuousMode(const ScanEngine &reader);

}  // namespace bcr

#endif  // BCREADER_STATE_SCAN_ENGINE_H
