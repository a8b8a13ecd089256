// The C boundary lets no exception through: an exported function whose call meets one (an
// exhausted heap, mostly) returns its failure result instead of ending the host process.
#ifndef BCREADER_API_GUARD_H
#define BCREADER_API_GUARD_H

#include <cstdint>

namespace bcr::api {

// The result of an exported function whose call did not complete.
constexpr int32_t kCallFailed = 0;

template <typename Call>
int32_t Guard(Call &&call, int32_t failure = kCallFailed) noexcept {
  try {
    return call();
  } catch (...) {
    return failure;
  }
}

}  // namespace bcr::api

#endif  // BCREADER_API_GUARD_H
