// Copying a text into a caller's buffer of a given size: the whole text and its zero when it
// fits, otherwise size - 1 elements and a zero.
#ifndef BCREADER_UTIL_COPY_OUT_H
#define BCREADER_UTIL_COPY_OUT_H

#include <cstdint>

#include "util/wstring.h"

namespace bcr {

// Each unit becomes an element of T (its low byte for char). buffer must not be null and size
// must be at least 1. True when the whole text fitted.
template <typename T>
bool CopyOut(const WString &text, T *buffer, int32_t size) {
  uint32_t length = text.Size();
  uint32_t room = static_cast<uint32_t>(size);
  uint32_t count = room >= length + 1 ? length : room - 1;
  const uint16_t *units = text.Data();
  for (uint32_t i = 0; i < count; ++i) buffer[i] = static_cast<T>(units[i]);
  buffer[count] = 0;
  return count == length;
}

}  // namespace bcr

#endif  // BCREADER_UTIL_COPY_OUT_H
