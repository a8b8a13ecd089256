// The counted string driven by fuzz bytes: a sequence of operations on three strings, each
// checked after every step against a plain vector of units that follows the string's contract.
// Operations take their sources from the input and from the strings themselves, the string
// being changed included (appending a string to itself, assigning from its own narrow copy,
// taking Mid into itself), which is where a buffer that moves under its own source shows.
//
// The input keeps to what the contract asks of callers: unit runs lie inside their source and
// reserve hints stay small (a hint near 2^32 is a request for 8 GB). Strings may pass 65536
// units, where growth changes from doubling to fixed steps, but stay below kMaxUnits, and an
// input ends once its operations have touched kWorkBudget units, so that each runs in
// milliseconds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "input_stream.h"
#include "util/wstring.h"

namespace {

using namespace bcr;
using namespace bcr::fuzz;

using Model = std::vector<uint16_t>;

constexpr size_t kStrings = 3;
constexpr size_t kMaxUnits = 70000;
constexpr size_t kWorkBudget = size_t{1} << 20;
constexpr uint32_t kMaxReserve = 4096;
constexpr size_t kMaxNeedle = 32;
constexpr uint32_t kNotWritten = 0xA5A5A5A5;

struct Slot {
  WString text;
  Model model;
};

// A narrow text from the input, or none: a length byte (0xFF for a null pointer) and the bytes.
// A zero byte inside ends the text as it would end any C string.
struct Narrow {
  bool null = false;
  std::string bytes;
  const char *Pointer() const { return null ? nullptr : bytes.c_str(); }
};

Narrow TakeNarrow(InputStream &in, size_t maxLength) {
  Narrow text;
  const uint8_t length = in.Byte();
  if (length == 0xFF) {
    text.null = true;
    return text;
  }
  for (size_t i = 0; i < length % (maxLength + 1) && !in.Empty(); ++i) {
    text.bytes.push_back(static_cast<char>(in.Byte()));
  }
  text.bytes.resize(std::strlen(text.bytes.c_str()));
  return text;
}

// Mostly a position in or just beyond the string, sometimes any 32-bit value.
uint32_t TakePosition(InputStream &in, size_t size) {
  const uint8_t b = in.Byte();
  return b < 0xF0 ? static_cast<uint32_t>(b % (size + 3)) : in.U32();
}

int32_t TakeSigned(InputStream &in, size_t size) {
  const uint8_t b = in.Byte();
  if (b < 0xE0) return static_cast<int32_t>(b % (size + 3));
  if (b < 0xF0) return -1 - (b & 0x0F);
  return static_cast<int32_t>(in.U32());
}

Model FromNarrow(const char *s) {
  Model units;
  for (; s != nullptr && *s != '\0'; ++s) units.push_back(static_cast<unsigned char>(*s));
  return units;
}

// The narrow copy of a content, as a C string: low bytes up to the first zero.
Model LowBytesToZero(const Model &units) {
  Model result;
  for (uint16_t unit : units) {
    if ((unit & 0xFF) == 0) break;
    result.push_back(unit & 0xFF);
  }
  return result;
}

Model UnitsToZero(const Model &units) {
  Model result;
  for (uint16_t unit : units) {
    if (unit == 0) break;
    result.push_back(unit);
  }
  return result;
}

int ModelEquals(const Model &m, const char *s) {
  if (s == nullptr || std::strlen(s) != m.size()) return 0;
  for (size_t i = 0; i < m.size(); ++i) {
    if ((m[i] & 0xFF) != static_cast<unsigned char>(s[i])) return 0;
  }
  return 1;
}

int ModelFind(const Model &m, uint32_t start, const char *s, uint32_t *index) {
  if (s == nullptr) return 0;
  const size_t n = std::strlen(s);
  if (m.size() < n || start >= m.size() || n == 0) return 0;
  if (m.size() == n) return ModelEquals(m, s);
  for (size_t p = start; p + n <= m.size(); ++p) {
    size_t k = 0;
    while (k < n && static_cast<int16_t>(m[p + k]) == static_cast<signed char>(s[k])) ++k;
    if (k == n) {
      *index = static_cast<uint32_t>(p);
      return 1;
    }
  }
  return 0;
}

Model Slice(const Model &m, uint32_t from, uint32_t to) {
  Model result;
  for (uint64_t i = from; i < m.size() && i <= to; ++i) result.push_back(m[i]);
  return result;
}

void CheckSame(const WString &text, const Model &model, const char *operation) {
  if (text.Size() != model.size()) {
    Fail("after %s: size %u, expected %zu", operation, text.Size(), model.size());
  }
  if (text.Capacity() <= text.Size()) Fail("after %s: no room for the terminator", operation);
  if (text.Data()[text.Size()] != 0) Fail("after %s: terminator is not 0", operation);
  if (!model.empty() && std::memcmp(text.Data(), model.data(), model.size() * 2) != 0) {
    Fail("after %s: content differs", operation);
  }
}

bool Fits(const Slot &slot, size_t added) {
  return slot.model.size() + added <= kMaxUnits;
}

// Runs the next operation of the input; returns the units it touched.
size_t RunOne(Slot *slots, InputStream &in) {
  const uint8_t op = in.Byte();
  Slot &s = slots[in.Byte() % kStrings];
  Slot &other = slots[in.Byte() % kStrings];
  const size_t size = s.model.size();
  const char *name = "";
  switch (op % 24) {
    case 0: {
      name = "AppendUnit";
      const uint16_t unit = in.U16();
      if (!Fits(s, 1)) return 1;
      s.text.AppendUnit(unit);
      s.model.push_back(unit);
      break;
    }
    case 1: {
      name = "AppendUnits from the input";
      const size_t count = in.Byte();
      Model units;
      for (size_t i = 0; i < count && !in.Empty(); ++i) units.push_back(in.U16());
      if (!Fits(s, units.size())) return units.size();
      s.text.AppendUnits(units.empty() ? nullptr : units.data(),
                         static_cast<uint32_t>(units.size()));
      s.model.insert(s.model.end(), units.begin(), units.end());
      break;
    }
    case 2:
    case 3: {
      name = op % 24 == 2 ? "AppendUnits from a string" : "AppendRun from a string";
      const size_t from = in.Byte() % (other.model.size() + 1);
      const size_t available = other.model.size() - from;
      int32_t count = static_cast<int8_t>(in.Byte());
      if (count > 0 && static_cast<size_t>(count) > available) {
        count = static_cast<int32_t>(available);
      }
      const Model run = count > 0
                            ? Model(other.model.begin() + from, other.model.begin() + from + count)
                            : Model();
      if (!Fits(s, run.size())) return run.size();
      const uint16_t *units = other.text.Data() + from;
      if (op % 24 == 2) {
        s.text.AppendUnits(units, count > 0 ? static_cast<uint32_t>(count) : 0);
      } else {
        s.text.AppendRun(units, count);
      }
      s.model.insert(s.model.end(), run.begin(), run.end());
      break;
    }
    case 4: {
      name = "Append";
      if (!Fits(s, other.model.size())) return other.model.size();
      const Model added = other.model;
      s.text.Append(other.text);
      s.model.insert(s.model.end(), added.begin(), added.end());
      break;
    }
    case 5: {
      name = "AppendNarrow";
      const Narrow text = TakeNarrow(in, 255);
      s.text.AppendNarrow(text.Pointer());
      const Model added = FromNarrow(text.Pointer());
      s.model.insert(s.model.end(), added.begin(), added.end());
      break;
    }
    case 6: {
      name = "AssignNarrow";
      const Narrow text = TakeNarrow(in, 255);
      s.text.AssignNarrow(text.Pointer());
      s.model = FromNarrow(text.Pointer());
      break;
    }
    case 7: {
      name = "AssignNarrow of a narrow copy";
      const Model expected = LowBytesToZero(other.model);
      s.text.AssignNarrow(other.text.Narrow());
      s.model = expected;
      break;
    }
    case 8: {
      name = "AppendNarrow of a narrow copy";
      const Model added = LowBytesToZero(other.model);
      if (!Fits(s, added.size())) return added.size();
      s.text.AppendNarrow(other.text.Narrow());
      s.model.insert(s.model.end(), added.begin(), added.end());
      break;
    }
    case 9: {
      name = "Assign";
      const Model expected = other.model;
      WString &result = s.text.Assign(other.text);
      Check(&result == &s.text, "Assign returns its string");
      s.model = expected;
      break;
    }
    case 10: {
      name = "Erase";
      const uint32_t pos = TakePosition(in, size);
      const uint32_t count = TakePosition(in, size);
      const uint32_t result = s.text.Erase(pos, count);
      if (size != 0 && pos < size && count != 0) {
        s.model.erase(s.model.begin() + pos,
                      s.model.begin() + pos + std::min<size_t>(count, size - pos));
      }
      Check(result == s.model.size(), "Erase returns the new size");
      break;
    }
    case 11: {
      name = "SafeErase";
      const int32_t pos = TakeSigned(in, size);
      const int32_t count = TakeSigned(in, size);
      const uint32_t result = s.text.SafeErase(pos, count);
      if (pos >= 0 && count >= 1 && static_cast<size_t>(pos) < size) {
        s.model.erase(s.model.begin() + pos,
                      s.model.begin() + pos + std::min<size_t>(count, size - pos));
      }
      Check(result == s.model.size(), "SafeErase returns the new size");
      break;
    }
    case 12: {
      name = "Mid";
      const uint32_t from = TakePosition(in, other.model.size());
      const uint32_t to = TakePosition(in, other.model.size());
      // The target is emptied first: Mid of a string into itself leaves it empty.
      const Model expected = &s == &other ? Model() : Slice(other.model, from, to);
      other.text.Mid(from, to, s.text);
      s.model = expected;
      break;
    }
    case 13: {
      name = "SafeMid";
      const int32_t from = TakeSigned(in, other.model.size());
      const int32_t to = TakeSigned(in, other.model.size());
      const Model expected =
          &s == &other || from < 0 || to < 0
              ? Model()
              : Slice(other.model, static_cast<uint32_t>(from), static_cast<uint32_t>(to));
      other.text.SafeMid(from, to, s.text);
      s.model = expected;
      break;
    }
    case 14: {
      name = "SetAt";
      const uint16_t unit = in.U16();
      const int32_t index = TakeSigned(in, size);
      s.text.SetAt(unit, index);
      if (index >= 0 && static_cast<size_t>(index) < size) s.model[index] = unit;
      break;
    }
    case 15: {
      name = "At";
      const uint32_t index = TakePosition(in, size);
      const int32_t signedIndex = TakeSigned(in, size);
      const uint16_t *at = s.text.At(index);
      Check(at == s.text.Data() + (index < size ? index : size), "At points into the string");
      const uint16_t *atSigned = s.text.AtSigned(signedIndex);
      const size_t expected = signedIndex < 0 ? 0 : std::min<size_t>(signedIndex, size);
      Check(atSigned == s.text.Data() + expected, "AtSigned points into the string");
      break;
    }
    case 16: {
      name = "Equals";
      const Narrow text = TakeNarrow(in, 255);
      const int expected = ModelEquals(s.model, text.Pointer());
      Check(s.text.Equals(text.Pointer()) == expected, "Equals");
      Check(s.text.NotEquals(text.Pointer()) == 1 - expected, "NotEquals");
      break;
    }
    case 17: {
      name = "Find";
      const uint32_t start = TakePosition(in, size);
      const Narrow text = TakeNarrow(in, kMaxNeedle);
      uint32_t index = kNotWritten, expectedIndex = kNotWritten;
      const int expected = ModelFind(s.model, start, text.Pointer(), &expectedIndex);
      Check(s.text.Find(start, text.Pointer(), &index) == expected, "Find's result");
      Check(index == expectedIndex, "Find's index");
      break;
    }
    case 18: {
      name = "Narrow";
      const char *narrow = s.text.Narrow();
      Check(narrow != nullptr, "Narrow of a constructed string");
      for (size_t i = 0; i < size; ++i) {
        Check(static_cast<unsigned char>(narrow[i]) == (s.model[i] & 0xFF), "Narrow's bytes");
      }
      Check(narrow[size] == '\0', "Narrow's terminator");
      break;
    }
    case 19: {
      name = "Reset";
      const uint32_t reserve = in.U16() % (kMaxReserve + 1);
      s.text.Reset(reserve);
      s.model.clear();
      Check(s.text.Capacity() == (reserve == 0 ? 32 : reserve + 1), "capacity after Reset");
      break;
    }
    case 20: {
      name = "copy construction and assignment";
      const WString copy(other.text);
      CheckSame(copy, other.model, "copy construction");
      const Model expected = other.model;
      s.text = copy;
      s.model = expected;
      break;
    }
    case 21: {
      name = "Format of a 16-bit string";
      const Model expected = UnitsToZero(other.model);
      s.text.Format("%w", other.text.Data());
      s.model = expected;
      break;
    }
    case 22: {
      name = "Format of a narrow copy";
      const Model expected = LowBytesToZero(other.model);
      s.text.Format("<%s>", other.text.Narrow());
      s.model = {'<'};
      s.model.insert(s.model.end(), expected.begin(), expected.end());
      s.model.push_back('>');
      break;
    }
    case 23: {
      name = "construction with a reserve";
      const uint32_t reserve = in.U16() % (kMaxReserve + 1);
      const WString fresh(reserve);
      Check(fresh.Size() == 0 && fresh.Data()[0] == 0, "a new string is empty");
      Check(fresh.Capacity() == (reserve == 0 ? 32 : reserve + 1), "capacity of a new string");
      return 1;
    }
  }
  CheckSame(s.text, s.model, name);
  CheckSame(other.text, other.model, name);
  return 1 + size + s.model.size() + other.model.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  InputStream in(data, size);
  Slot slots[kStrings];
  size_t work = 0;
  while (!in.Empty() && work < kWorkBudget) work += RunOne(slots, in);
  return 0;
}
