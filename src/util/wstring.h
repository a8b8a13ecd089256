// WString: the counted string of 16-bit units that holds every text of the library, one unit per
// character (frames are bytes: link/frame.h).
//
// The length counts the terminating zero unit, so an empty string has length 1. The content may
// itself hold zero units (decoded data do); every operation works by length, never by terminator.
// Operations that empty the string free the unit buffer and allocate it again from the reserve
// hint given at construction, and drop the narrow copy. An allocation that fails throws
// std::bad_alloc and leaves the string whole and usable.
//
// A WString is used by one thread at a time, or under the lock of the object that owns it.
#ifndef BCREADER_UTIL_WSTRING_H
#define BCREADER_UTIL_WSTRING_H

#include <cstdint>

namespace bcr {

class WString {
 public:
  // Capacity is reserve + 1 units, or 32 when reserve is 0.
  explicit WString(uint32_t reserve = 0);
  WString(const WString &other);             // same content, other's reserve hint
  WString &operator=(const WString &other);  // Assign
  ~WString();

  // Frees both buffers and constructs again with the reserve hint n.
  void Reset(uint32_t n);
  // Exchanges the contents; never fails.
  void Swap(WString &other) noexcept;

  uint32_t Size() const { return length_ - 1; }
  const uint16_t *Data() const { return units_; }
  uint16_t *Data() { return units_; }

  // A copy of the units as bytes (low 8 bits of each unit, terminator included). Valid until the
  // next Narrow, emptying operation or destruction.
  const char *Narrow();

  // 1 when the content equals s, comparing the low 8 bits of each unit; 0 for null s.
  int Equals(const char *s) const;
  // Searches s from start, comparing units and bytes as signed values. 1 and *index when found.
  int Find(uint32_t start, const char *s, uint32_t *index) const;

  // Stores the unit only when 0 <= index < Size(); the string never grows here.
  void SetAt(uint16_t unit, int32_t index);
  void AppendUnit(uint16_t unit);
  void AppendUnits(const uint16_t *units, uint32_t count);
  void Append(const WString &other);
  // Each byte up to the terminator becomes one unit 0x00..0xFF. Nothing for null.
  void AppendNarrow(const char *s);
  WString &AssignNarrow(const char *s);
  WString &Assign(const WString &other);

  // Removes count units at pos; returns the new Size().
  uint32_t Erase(uint32_t pos, uint32_t count);
  // target = units [from .. to] (to inclusive) as far as the content reaches.
  void Mid(uint32_t from, uint32_t to, WString &target) const;

 private:
  void Construct(uint32_t reserve);
  void Release();
  void Empty();
  void Grow(uint32_t needed);

  uint32_t length_ = 0;
  uint32_t capacity_ = 0;
  uint32_t reserve_ = 0;
  uint16_t *units_ = nullptr;
  char *narrow_ = nullptr;
};

}  // namespace bcr

#endif  // BCREADER_UTIL_WSTRING_H
