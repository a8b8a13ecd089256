// The counted string driven by fuzz bytes: a sequence of operations on three strings, each
// checked after every step against a plain vector of units that follows the string's contract.
// Operations take their sources from the input and from the strings themselves, the string
// being changed included (appending a string to itself, assigning from its own narrow copy,
// taking Mid into itself), which is where a buffer that moves under its own source shows.
//
// The input keeps to what the contract asks of callers: unit runs lie inside their source, and
// reserve hints stay small (a hint near 2^32 is a request for 8 GB). Strings may pass 65536
// units, where growth changes from doubling to fixed steps, but stay below kMaxUnits, and an
// input ends once its operations have touched kWorkBudget units.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
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
constexpr size_t kOperations = 17;
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

// The units up to the first zero; with low, the narrow copy: low bytes up to the first zero.
Model ToZero(const Model &units, bool low) {
  Model result;
  for (uint16_t unit : units) {
    if (low) unit &= 0xFF;
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
  // Read under AddressSanitizer: a buffer without room for the terminator fails here.
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
  const uint8_t op = in.Byte() % kOperations;
  Slot &s = slots[in.Byte() % kStrings];
  Slot &other = slots[in.Byte() % kStrings];
  const size_t size = s.model.size();
  const char *name = "";
  // A position of the unsigned operations, or of their signed forms.
  const auto take = [&in](bool signedForm, size_t length) {
    return signedForm ? int64_t{TakeSigned(in, length)} : int64_t{TakePosition(in, length)};
  };
  switch (op) {
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
    case 2: {
      name = "AppendUnits from a string";
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
      s.text.AppendUnits(units, count > 0 ? static_cast<uint32_t>(count) : 0);
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
    case 5:
    case 6:
    case 7:
    case 8: {
      // From the input, or from a narrow copy of a string (which may be the one changed).
      const bool assign = op == 6 || op == 7, own = op == 7 || op == 8;
      name = assign ? "AssignNarrow" : "AppendNarrow";
      const Narrow text = own ? Narrow() : TakeNarrow(in, 255);
      const Model added = own ? ToZero(other.model, true) : FromNarrow(text.Pointer());
      if (!Fits(s, added.size())) return added.size();
      const char *source = own ? other.text.Narrow() : text.Pointer();
      if (assign) {
        Check(&s.text.AssignNarrow(source) == &s.text, "AssignNarrow returns its string");
        s.model.clear();
      } else {
        s.text.AppendNarrow(source);
      }
      s.model.insert(s.model.end(), added.begin(), added.end());
      break;
    }
    case 9:
    case 3: {
      name = op == 9 ? "Assign" : "copy construction and assignment";
      const Model expected = other.model;
      if (op == 9) {
        Check(&s.text.Assign(other.text) == &s.text, "Assign returns its string");
      } else {
        const WString copy(other.text);
        CheckSame(copy, other.model, "copy construction");
        s.text = copy;
      }
      s.model = expected;
      break;
    }
    case 10: {
      name = "Erase";
      const int64_t pos = take(false, size);
      const int64_t count = take(false, size);
      const uint32_t result =
          s.text.Erase(static_cast<uint32_t>(pos), static_cast<uint32_t>(count));
      if (pos >= 0 && count >= 1 && static_cast<size_t>(pos) < size) {
        s.model.erase(s.model.begin() + pos,
                      s.model.begin() + pos + std::min<uint64_t>(count, size - pos));
      }
      Check(result == s.model.size(), "Erase returns the new size");
      break;
    }
    case 11: {
      name = "Mid";
      const size_t length = other.model.size();
      const int64_t from = take(false, length);
      const int64_t to = take(false, length);
      // The target is emptied first: Mid of a string into itself leaves it empty.
      const Model expected =
          &s == &other || from < 0 || to < 0
              ? Model()
              : Slice(other.model, static_cast<uint32_t>(from), static_cast<uint32_t>(to));
      other.text.Mid(static_cast<uint32_t>(from), static_cast<uint32_t>(to), s.text);
      s.model = expected;
      break;
    }
    case 12: {
      name = "SetAt";
      const uint16_t unit = in.U16();
      const int32_t index = TakeSigned(in, size);
      s.text.SetAt(unit, index);
      if (index >= 0 && static_cast<size_t>(index) < size) s.model[index] = unit;
      break;
    }
    case 13: {
      name = "Find";
      const uint32_t start = TakePosition(in, size);
      const Narrow text = TakeNarrow(in, kMaxNeedle);
      uint32_t index = kNotWritten, expectedIndex = kNotWritten;
      const int expected = ModelFind(s.model, start, text.Pointer(), &expectedIndex);
      Check(s.text.Find(start, text.Pointer(), &index) == expected, "Find's result");
      Check(index == expectedIndex, "Find's index");
      break;
    }
    case 14: {
      name = "Narrow";
      const char *narrow = s.text.Narrow();
      Check(narrow != nullptr, "Narrow of a constructed string");
      for (size_t i = 0; i < size; ++i) {
        Check(static_cast<unsigned char>(narrow[i]) == (s.model[i] & 0xFF), "Narrow's bytes");
      }
      Check(narrow[size] == '\0', "Narrow's terminator");
      break;
    }
    case 15:
    case 16: {
      name = "Reset";
      const uint32_t reserve = in.U16() % (kMaxReserve + 1);
      if (op == 16) {
        const WString fresh(reserve);
        CheckSame(fresh, Model(), "construction with a reserve");
      } else {
        s.text.Reset(reserve);
        s.model.clear();
      }
      break;
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
