// The parameter cache of the reader object: one entry per option of every parameter handler, the
// last value known for it since load (written or read), and whether a write since load sent or
// confirmed it (the engine must hold it again after it lost its store).
#ifndef BCREADER_STATE_PARAM_CACHE_H
#define BCREADER_STATE_PARAM_CACHE_H

#include <atomic>
#include <cstdint>

namespace bcr {

// The value of an entry that has never been read or written.
constexpr int32_t kUnknownValue = -1;
// Room for every handler and every argument of one.
constexpr uint8_t kParamCacheHandlers = 24;
constexpr uint8_t kParamCacheArgs = 16;

struct ParamCacheEntry {
  std::atomic<int32_t> value{kUnknownValue};
  std::atomic<bool> written{false};
};

class ParamCache {
 public:
  // The entry of a handler's slot and a 0-based argument index.
  ParamCacheEntry &At(uint8_t slot, uint8_t index) { return entries_[slot][index]; }
  const ParamCacheEntry &At(uint8_t slot, uint8_t index) const { return entries_[slot][index]; }
  // Every entry unknown and unwritten again (a new load).
  void Forget() {
    for (auto &handler : entries_) {
      for (ParamCacheEntry &entry : handler) {
        entry.value = kUnknownValue;
        entry.written = false;
      }
    }
  }

 private:
  ParamCacheEntry entries_[kParamCacheHandlers][kParamCacheArgs];
};

}  // namespace bcr

#endif  // BCREADER_STATE_PARAM_CACHE_H
