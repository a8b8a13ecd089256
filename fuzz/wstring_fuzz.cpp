// The counted string driven by fuzz bytes: a sequence of operations on three strings, each
// checked after every step against a plain vector of units that follows the string's contract.
// Operations take their sources from the input and from the strings themselves, the string
// being changed included (appending a string to itself, assigning from its own narrow copy,
// taking Mid into itself, formatting its own units), which is where a buffer that moves under
// its own source shows.
//
// The input keeps to what the contract asks of callers: unit runs lie inside their source,
// reserve hints stay small (a hint near 2^32 is a request for 8 GB), and Format gets exactly the
// arguments its conversions take (after '%', the first of c d i o u x X C, e f g E G, s S, w or
// '%' ends a conversion): a conversion that takes an argument the caller did not pass reads stack
// garbage, which no string can make safe. What lies between '%' and the letter is left to the
// fuzzer: flags, widths, precisions, length letters, 'n', '*', '$' and bytes above 0x7F. Strings
// may pass 65536 units, where growth changes from doubling to fixed steps, but stay below
// kMaxUnits, and an input ends once its operations have touched kWorkBudget units.
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
constexpr size_t kOperations = 25;
constexpr size_t kMaxUnits = 70000;
constexpr size_t kWorkBudget = size_t{1} << 20;
constexpr uint32_t kMaxReserve = 4096;
constexpr size_t kMaxNeedle = 32;
constexpr uint32_t kNotWritten = 0xA5A5A5A5;
// Format: conversions that take an argument, and the output of one printing conversion.
constexpr size_t kMaxArgs = 3;
constexpr size_t kConversionRoom = 99;
const char kLetters[] = "cdiouxXCefgEGsSw%";

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
  if (text.Capacity() <= text.Size()) Fail("after %s: no room for the terminator", operation);
  if (text.Data()[text.Size()] != 0) Fail("after %s: terminator is not 0", operation);
  if (!model.empty() && std::memcmp(text.Data(), model.data(), model.size() * 2) != 0) {
    Fail("after %s: content differs", operation);
  }
}

bool Fits(const Slot &slot, size_t added) {
  return slot.model.size() + added <= kMaxUnits;
}

// One argument of Format and what the output holds for one part of the pattern: fixed units, or
// (variable) up to kConversionRoom bytes of printed text the target does not predict.
struct Arg {
  char letter;
  int i = 0;
  double d = 0;
};
struct Part {
  bool variable = false;
  Model units;
};

// Calls Format with the arguments' values as variable arguments of their own types.
template <typename... Values>
void Call(WString &out, const char *pattern, const std::vector<Arg> &args, const char *narrow,
          const uint16_t *wide, Values... values) {
  constexpr size_t taken = sizeof...(Values);
  if constexpr (taken == kMaxArgs) {
    out.Format(pattern, values...);
  } else {
    if (taken == args.size()) return out.Format(pattern, values...);
    const char letter = args[taken].letter;
    if (letter == 's' || letter == 'S')
      return Call(out, pattern, args, narrow, wide, values..., narrow);
    if (letter == 'w') return Call(out, pattern, args, narrow, wide, values..., wide);
    if (std::strchr("efgEG", letter) != nullptr) {
      return Call(out, pattern, args, narrow, wide, values..., args[taken].d);
    }
    Call(out, pattern, args, narrow, wide, values..., args[taken].i);
  }
}

// Whether out can be read as the parts in order.
bool Matches(const std::vector<Part> &parts, const uint16_t *out, size_t size) {
  std::vector<char> reach(size + 1, 0), next(size + 1);
  reach[0] = 1;
  for (const Part &part : parts) {
    std::fill(next.begin(), next.end(), 0);
    for (size_t at = 0; at <= size; ++at) {
      if (!reach[at]) continue;
      if (!part.variable) {
        const size_t n = part.units.size();
        if (at + n <= size && std::equal(part.units.begin(), part.units.end(), out + at)) {
          next[at + n] = 1;
        }
        continue;
      }
      next[at] = 1;
      for (size_t n = 1; n <= kConversionRoom && at + n <= size; ++n) {
        const uint16_t unit = out[at + n - 1];
        if (unit == 0 || unit > 0xFF) break;
        next[at + n] = 1;
      }
    }
    reach.swap(next);
  }
  return reach[size] != 0;
}

// Format into s of a pattern built from the input's pieces: literal bytes, conversions and, last,
// an unfinished conversion. Strings come from other: its units, and its narrow copy.
void FormatFromInput(InputStream &in, Slot &s, Slot &other) {
  std::string pattern;
  std::vector<Arg> args;
  std::vector<Part> parts;
  const Model narrowModel = ToZero(other.model, true), wideModel = ToZero(other.model, false);
  for (uint8_t pieces = in.Byte() % 8; pieces > 0 && args.size() < kMaxArgs; --pieces) {
    const uint8_t kind = in.Byte() % 4;
    std::string between;
    for (uint8_t n = in.Byte() % 7, digits = 0; n > 0; --n) {
      char c = static_cast<char>(in.Byte());
      if (c == '\0' || std::strchr(kLetters, c) != nullptr) c = '#';
      // A width of 10^9 costs the runtime a billion pad characters; 999 is beyond the room.
      digits = c >= '0' && c <= '9' ? digits + 1 : 0;
      if (digits > 3) c = '.';
      between += c;
    }
    if (kind == 0) {  // literal bytes
      pattern += between;
      parts.push_back(Part{false, FromNarrow(between.c_str())});
      continue;
    }
    pattern += "%" + between;
    if (kind == 3) break;  // unfinished: prints nothing
    Arg arg{kLetters[in.Byte() % (sizeof kLetters - 1)]};
    pattern += arg.letter;
    Part part;
    if (arg.letter == '%') {
      part.variable = !between.empty();
      if (between.empty()) part.units = {'%'};
    } else if (arg.letter == 's' || arg.letter == 'S') {
      part.units = narrowModel;
    } else if (arg.letter == 'w') {
      part.units = wideModel;
    } else {
      const bool floating = std::strchr("efgEG", arg.letter) != nullptr;
      const uint64_t bits = floating ? in.U64() : in.U32();
      arg.i = static_cast<int>(bits);
      std::memcpy(&arg.d, &bits, sizeof bits);
      // A bare conversion prints as the runtime prints it; 'C' is the narrow character of the
      // terminal's runtime, which other runtimes spell differently.
      char text[kConversionRoom + 1];
      const std::string conversion = "%" + between + arg.letter;
      const int printed = !between.empty() || arg.letter == 'C' ? -1
                          : floating ? std::snprintf(text, sizeof text, conversion.c_str(), arg.d)
                                     : std::snprintf(text, sizeof text, conversion.c_str(), arg.i);
      part.variable = printed < 0 || static_cast<size_t>(printed) > kConversionRoom;
      if (!part.variable) part.units = FromNarrow(text);
    }
    if (arg.letter != '%') args.push_back(arg);
    parts.push_back(part);
  }
  // The narrow copy is taken once: a second Narrow may move it.
  const char *narrow = other.text.Narrow();
  Call(s.text, pattern.c_str(), args, narrow, other.text.Data());
  if (!Matches(parts, s.text.Data(), s.text.Size())) {
    std::fprintf(stderr, "pattern \"%s\" gave %u units:", pattern.c_str(), s.text.Size());
    for (uint32_t i = 0; i < s.text.Size(); ++i) std::fprintf(stderr, " %04X", s.text.Data()[i]);
    Fail("%s", "");
  }
  s.model.assign(s.text.Data(), s.text.Data() + s.text.Size());
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
    case 2:
    case 3: {
      name = op == 2 ? "AppendUnits from a string" : "AppendRun from a string";
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
      if (op == 2) {
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
    case 20: {
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
    case 10:
    case 11: {
      name = op == 10 ? "Erase" : "SafeErase";
      const int64_t pos = take(op == 11, size);
      const int64_t count = take(op == 11, size);
      const uint32_t result =
          op == 10 ? s.text.Erase(static_cast<uint32_t>(pos), static_cast<uint32_t>(count))
                   : s.text.SafeErase(static_cast<int32_t>(pos), static_cast<int32_t>(count));
      if (pos >= 0 && count >= 1 && static_cast<size_t>(pos) < size) {
        s.model.erase(s.model.begin() + pos,
                      s.model.begin() + pos + std::min<uint64_t>(count, size - pos));
      }
      Check(result == s.model.size(), "Erase returns the new size");
      break;
    }
    case 12:
    case 13: {
      name = op == 12 ? "Mid" : "SafeMid";
      const size_t length = other.model.size();
      const int64_t from = take(op == 13, length);
      const int64_t to = take(op == 13, length);
      // The target is emptied first: Mid of a string into itself leaves it empty.
      const Model expected =
          &s == &other || from < 0 || to < 0
              ? Model()
              : Slice(other.model, static_cast<uint32_t>(from), static_cast<uint32_t>(to));
      if (op == 12) {
        other.text.Mid(static_cast<uint32_t>(from), static_cast<uint32_t>(to), s.text);
      } else {
        other.text.SafeMid(static_cast<int32_t>(from), static_cast<int32_t>(to), s.text);
      }
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
      Check(s.text.At(index) == s.text.Data() + std::min<size_t>(index, size),
            "At points into the string");
      const size_t expected = signedIndex < 0 ? 0 : std::min<size_t>(signedIndex, size);
      Check(s.text.AtSigned(signedIndex) == s.text.Data() + expected,
            "AtSigned points into the string");
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
    case 19:
    case 23: {
      name = "Reset";
      const uint32_t reserve = in.U16() % (kMaxReserve + 1);
      if (op == 23) {
        const WString fresh(reserve);
        CheckSame(fresh, Model(), "construction with a reserve");
      } else {
        s.text.Reset(reserve);
        s.model.clear();
      }
      break;
    }
    case 21: {
      name = "Format of a 16-bit string";
      const Model expected = ToZero(other.model, false);
      s.text.Format("%w", other.text.Data());
      s.model = expected;
      break;
    }
    case 22: {
      name = "Format of a narrow copy";
      Model expected = {'<'};
      for (uint16_t unit : ToZero(other.model, true)) expected.push_back(unit);
      expected.push_back('>');
      s.text.Format("<%s>", other.text.Narrow());
      s.model = expected;
      break;
    }
    case 24:
      name = "Format";
      FormatFromInput(in, s, other);
      break;
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
