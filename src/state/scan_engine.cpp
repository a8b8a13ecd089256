#include "state/scan_engine.h"

#include "platform/dynlib.h"

namespace bcr {

ScanEngine::ScanEngine() {
  ledCancel = platform::SemaphoreCreate(0, 1);
  vibratorCancel = platform::SemaphoreCreate(0, 1);
}

ScanEngine::~ScanEngine() {
  Close();
}

void ScanEngine::Close() {
  link.Close();
  link.Initialise();
  libraryKeptValue = 0;
  active = 0;
  for (platform::Semaphore **cancel : {&ledCancel, &vibratorCancel}) {
    if (*cancel == nullptr) continue;
    platform::SemaphoreRelease(*cancel, 1);
    platform::SemaphoreClose(*cancel);
    *cancel = nullptr;
  }
  if (systemLibrary != nullptr) {
    // The entries point into the library: they go with it.
    setLedLight = nullptr;
    setVibratorPower = nullptr;
    getSysInfo = nullptr;
    platform::LibraryFree(systemLibrary);
    systemLibrary = nullptr;
  }
  for (platform::Library *retired : retiredLibraries) platform::LibraryFree(retired);
  retiredLibraries.clear();
}

Decode ScanEngine::DecodeResult() const {
  std::lock_guard<std::mutex> lock(decodeLock);
  return decodeResult;
}

void ScanEngine::SetDecodeResult(const Decode &decode) {
  std::lock_guard<std::mutex> lock(decodeLock);
  decodeResult = decode;
}

void ScanEngine::EmptyDecodeData(uint64_t seq) {
  std::lock_guard<std::mutex> lock(decodeLock);
  if (decodeResult.seq == seq) decodeResult.data.AssignNarrow("");
}

bool InContinuousMode(const ScanEngine &reader) {
  uint32_t mode = reader.triggerMode;
  int32_t type = reader.DeviceType();
  return (type == kImager4507 && mode == 7) || (type == kEngineSE955 && mode == 4);
}

}  // namespace bcr
