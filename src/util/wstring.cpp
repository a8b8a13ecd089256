#include "util/wstring.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace bcr {
namespace {

constexpr uint32_t kDefaultCapacity = 32;
// Received bytes arrive one unit at a time, so growth is geometric up to this capacity; beyond
// it a string is a rare, large frame and grows by a fixed step to bound the overshoot.
constexpr uint64_t kDoublingLimit = 0x10000;
constexpr uint64_t kLinearStep = 1000;

// An exhausted heap (or a size beyond 32 bits) ends the operation with the string as it was;
// the exported function that called it returns its failure result.
[[noreturn]] void OutOfMemory() {
  throw std::bad_alloc();
}

void *Reallocate(void *block, size_t bytes) {
  void *result = std::realloc(block, bytes);
  if (result == nullptr) OutOfMemory();
  return result;
}

}  // namespace

WString::WString(uint32_t reserve) {
  Construct(reserve);
}

WString::WString(const WString &other) {
  Construct(other.reserve_);
  AppendUnits(other.units_, other.Size());
}

WString &WString::operator=(const WString &other) {
  return Assign(other);
}

WString::~WString() {
  Release();
}

// Allocates before anything is released, so that a string whose allocation fails stays as it
// was.
void WString::Construct(uint32_t reserve) {
  const uint64_t capacity = reserve == 0 ? kDefaultCapacity : uint64_t{reserve} + 1;
  if (capacity > UINT32_MAX) OutOfMemory();
  auto *units = static_cast<uint16_t *>(std::malloc(capacity * sizeof(uint16_t)));
  if (units == nullptr) OutOfMemory();
  std::memset(units, 0, capacity * sizeof(uint16_t));
  Release();
  reserve_ = reserve;
  capacity_ = static_cast<uint32_t>(capacity);
  length_ = 1;
  units_ = units;
}

void WString::Release() {
  std::free(units_);
  std::free(narrow_);
  units_ = nullptr;
  narrow_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

void WString::Empty() {
  Construct(reserve_);
}

void WString::Reset(uint32_t n) {
  Construct(n);
}

void WString::Swap(WString &other) noexcept {
  std::swap(length_, other.length_);
  std::swap(capacity_, other.capacity_);
  std::swap(reserve_, other.reserve_);
  std::swap(units_, other.units_);
  std::swap(narrow_, other.narrow_);
}

void WString::Grow(uint32_t needed) {
  uint64_t capacity = capacity_;
  while (capacity <= needed) {
    capacity = capacity < kDoublingLimit ? capacity * 2 : capacity + kLinearStep;
  }
  if (capacity > UINT32_MAX) OutOfMemory();
  units_ = static_cast<uint16_t *>(Reallocate(units_, capacity * sizeof(uint16_t)));
  capacity_ = static_cast<uint32_t>(capacity);
}

const char *WString::Narrow() {
  if (length_ == 0) return nullptr;
  narrow_ = static_cast<char *>(Reallocate(narrow_, length_));
  for (uint32_t i = 0; i < length_; ++i) narrow_[i] = static_cast<char>(units_[i] & 0xFF);
  return narrow_;
}

int WString::Equals(const char *s) const {
  if (s == nullptr || std::strlen(s) != Size()) return 0;
  for (uint32_t i = 0; i < Size(); ++i) {
    if ((units_[i] & 0xFF) != static_cast<unsigned char>(s[i])) return 0;
  }
  return 1;
}

int WString::Find(uint32_t start, const char *s, uint32_t *index) const {
  if (s == nullptr) return 0;
  const size_t n = std::strlen(s);
  if (Size() < n || start >= Size() || n == 0) return 0;
  // A whole-string match keeps the low-byte comparison of Equals and reports no position.
  if (Size() == n) return Equals(s);
  for (uint32_t p = start; p + n <= Size(); ++p) {
    size_t k = 0;
    while (k < n && static_cast<int16_t>(units_[p + k]) == static_cast<signed char>(s[k])) ++k;
    if (k == n) {
      if (index != nullptr) *index = p;
      return 1;
    }
  }
  return 0;
}

void WString::SetAt(uint16_t unit, int32_t index) {
  if (index >= 0 && static_cast<uint32_t>(index) < Size()) units_[index] = unit;
}

void WString::AppendUnit(uint16_t unit) {
  if (length_ >= capacity_) Grow(length_);
  units_[length_ - 1] = unit;
  units_[length_++] = 0;
}

void WString::AppendUnits(const uint16_t *units, uint32_t count) {
  if (units == nullptr || count == 0) return;
  if (count >= UINT32_MAX - length_) OutOfMemory();
  if (length_ + count >= capacity_) {
    // The run may lie in this string's own buffer (Append of itself), which Grow may move.
    const std::less_equal<const uint16_t *> le;
    const std::less<const uint16_t *> lt;
    const bool own = le(units_, units) && lt(units, units_ + capacity_);
    const size_t offset = own ? static_cast<size_t>(units - units_) : 0;
    Grow(length_ + count);
    if (own) units = units_ + offset;
  }
  std::memmove(&units_[length_ - 1], units, count * sizeof(uint16_t));
  length_ += count;
  units_[length_ - 1] = 0;
}

void WString::Append(const WString &other) {
  AppendUnits(other.units_, other.Size());
}

void WString::AppendNarrow(const char *s) {
  if (s == nullptr) return;
  for (; *s != '\0'; ++s) AppendUnit(static_cast<unsigned char>(*s));
}

WString &WString::AssignNarrow(const char *s) {
  // s may be this string's own narrow copy, which emptying would free before it is read.
  char *previous = narrow_;
  narrow_ = nullptr;
  Empty();
  AppendNarrow(s);
  std::free(previous);
  return *this;
}

WString &WString::Assign(const WString &other) {
  if (&other == this) return *this;
  Empty();
  AppendUnits(other.units_, other.Size());
  return *this;
}

uint32_t WString::Erase(uint32_t pos, uint32_t count) {
  const uint32_t size = Size();
  if (size == 0 || pos >= size || count == 0) return size;
  if (size - pos <= count) {
    units_[pos] = 0;
    length_ = pos + 1;
    return pos;
  }
  std::memmove(&units_[pos], &units_[pos + count], (size - pos - count) * sizeof(uint16_t));
  length_ -= count;
  units_[length_ - 1] = 0;
  return Size();
}

void WString::Mid(uint32_t from, uint32_t to, WString &target) const {
  // When target is this string, emptying it first leaves nothing to copy: the result is empty.
  target.Empty();
  for (uint32_t i = from; i < Size() && i <= to; ++i) target.AppendUnit(units_[i]);
}

}  // namespace bcr
