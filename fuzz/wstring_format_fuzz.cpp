// WString::Format with fuzzed patterns.
//
// A pattern's conversions decide which arguments Format takes from its variable list, and a
// conversion that takes an argument the caller did not pass reads stack garbage; no fuzz target
// can make that safe. So the target reads each pattern the way the string's contract describes
// conversions (after '%', the first of c d i o u x X C, e f g E G, s S, w or '%' ends it; every
// other byte is collected into it) and passes exactly the arguments those conversions take, in
// their order and of their types, built from the rest of the input. Everything else about the
// pattern is left to the fuzzer: flags, widths, precisions, length letters, 'n', 'p', '*', '$',
// unfinished conversions and bytes above 0x7F. Two limits keep an input fast: at most kMaxArgs
// conversions that take an argument (the pattern is cut before the next), and no run of more than
// kMaxWidthDigits digits inside a conversion (a width of 10^9 costs the runtime a billion pad
// characters; 999 already exceeds the 100-byte room of one conversion).
//
// Input: the pattern up to the first zero byte, then the arguments: 4 bytes per integer, 8 per
// double, and a length byte followed by the bytes (narrow) or 16-bit units (wide) of a string.
//
// The result is checked against the pattern: literal bytes, strings and "%%" exactly; a bare
// numeric conversion ("%d", "%x", "%f", "%c", ...) exactly as the runtime prints it; any other
// printing conversion as up to 99 non-zero bytes.
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

using Units = std::vector<uint16_t>;

constexpr size_t kMaxArgs = 3;
constexpr size_t kMaxWidthDigits = 3;
constexpr size_t kMaxVariableParts = 8;
// Output of one printing conversion, without the terminator.
constexpr size_t kConversionRoom = 99;

enum class Kind { kInt, kDouble, kNarrow, kWide };

struct Arg {
  Kind kind = Kind::kInt;
  int i = 0;
  double d = 0;
  std::string narrow;
  Units wide;  // zero-terminated
};

// What the output holds for one part of the pattern: fixed units, or up to kConversionRoom
// bytes of printed text that the target does not predict.
struct Part {
  bool variable = false;
  Units units;
  bool argument = false;  // filled from an argument once the arguments are known
};

struct Pattern {
  std::string text;
  std::vector<Kind> kinds;
  std::vector<Part> parts;
  // For each argument, the index of its part and the collected conversion text with its letter.
  std::vector<size_t> argParts;
  std::vector<std::string> conversions;
};

bool IsIntLetter(char c) {
  return std::strchr("cdiouxXC", c) != nullptr && c != '\0';
}
bool IsDoubleLetter(char c) {
  return std::strchr("efgEG", c) != nullptr && c != '\0';
}

void AddFixed(Pattern &p, const Units &units) {
  if (p.parts.empty() || p.parts.back().variable || p.parts.back().argument) {
    p.parts.push_back(Part{});
  }
  p.parts.back().units.insert(p.parts.back().units.end(), units.begin(), units.end());
}

// false when the pattern breaks a limit that cannot be cut away.
bool Parse(const uint8_t *data, size_t size, Pattern &p) {
  size_t end = 0;
  while (end < size && data[end] != 0) ++end;
  bool converting = false;
  size_t start = 0, digits = 0;
  std::string collected;
  size_t variableParts = 0;
  for (size_t k = 0; k < end; ++k) {
    const char c = static_cast<char>(data[k]);
    if (!converting) {
      if (c == '%') {
        converting = true;
        start = k;
        digits = 0;
        collected.clear();
      } else {
        AddFixed(p, {static_cast<uint8_t>(c)});
      }
      continue;
    }
    const bool integer = IsIntLetter(c), floating = IsDoubleLetter(c);
    const bool string = c == 's' || c == 'S', wide = c == 'w';
    if (integer || floating || string || wide) {
      if (p.kinds.size() == kMaxArgs) {
        end = start;
        break;
      }
      p.kinds.push_back(integer    ? Kind::kInt
                        : floating ? Kind::kDouble
                        : string   ? Kind::kNarrow
                                   : Kind::kWide);
      p.argParts.push_back(p.parts.size());
      p.conversions.push_back("%" + collected + c);
      p.parts.push_back(Part{integer || floating, {}, true});
      if (integer || floating) ++variableParts;
      converting = false;
    } else if (c == '%') {
      if (collected.empty()) {
        AddFixed(p, {'%'});
      } else {
        p.parts.push_back(Part{true, {}});
        ++variableParts;
      }
      converting = false;
    } else {
      collected += c;
      digits = c >= '0' && c <= '9' ? digits + 1 : 0;
      if (digits > kMaxWidthDigits) return false;
    }
  }
  p.text.assign(reinterpret_cast<const char *>(data), end);
  return variableParts <= kMaxVariableParts;
}

void TakeArgs(InputStream &in, Pattern &p, std::vector<Arg> &args) {
  for (Kind kind : p.kinds) {
    Arg arg;
    arg.kind = kind;
    switch (kind) {
      case Kind::kInt:
        arg.i = static_cast<int>(in.U32());
        break;
      case Kind::kDouble: {
        const uint64_t bits = in.U64();
        std::memcpy(&arg.d, &bits, sizeof bits);
        break;
      }
      case Kind::kNarrow: {
        const uint8_t length = in.Byte();
        for (uint8_t i = 0; i < length && !in.Empty(); ++i) {
          arg.narrow.push_back(static_cast<char>(in.Byte()));
        }
        break;
      }
      case Kind::kWide: {
        const uint8_t length = in.Byte();
        for (uint8_t i = 0; i < length && !in.Empty(); ++i) arg.wide.push_back(in.U16());
        arg.wide.push_back(0);
        break;
      }
    }
    args.push_back(arg);
  }
}

// What the contract fixes for each argument's part of the output.
void Predict(Pattern &p, const std::vector<Arg> &args) {
  for (size_t n = 0; n < args.size(); ++n) {
    Part &part = p.parts[p.argParts[n]];
    const Arg &arg = args[n];
    const std::string &conversion = p.conversions[n];
    switch (arg.kind) {
      case Kind::kNarrow:
        for (const char *s = arg.narrow.c_str(); *s != '\0'; ++s) {
          part.units.push_back(static_cast<unsigned char>(*s));
        }
        break;
      case Kind::kWide:
        for (const uint16_t *w = arg.wide.data(); *w != 0; ++w) part.units.push_back(*w);
        break;
      case Kind::kInt:
      case Kind::kDouble: {
        // A bare conversion is printed by the runtime as it stands; 'C' is the narrow character
        // of the terminal's runtime, which other runtimes spell differently.
        if (conversion.size() != 2 || conversion[1] == 'C') break;
        char text[kConversionRoom + 1];
        const int printed = arg.kind == Kind::kInt
                                ? std::snprintf(text, sizeof text, conversion.c_str(), arg.i)
                                : std::snprintf(text, sizeof text, conversion.c_str(), arg.d);
        // Longer output breaks the callers' side of the contract and is only cut.
        if (printed < 0 || static_cast<size_t>(printed) > kConversionRoom) break;
        part.variable = false;
        for (const char *s = text; *s != '\0'; ++s) {
          part.units.push_back(static_cast<unsigned char>(*s));
        }
        break;
      }
    }
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

// Calls Format with the arguments' values as variable arguments of their own types.
template <typename... Values>
void Call(WString &out, const char *pattern, const std::vector<Arg> &args, Values... values) {
  constexpr size_t taken = sizeof...(Values);
  if constexpr (taken == kMaxArgs) {
    out.Format(pattern, values...);
  } else {
    if (taken == args.size()) {
      out.Format(pattern, values...);
      return;
    }
    const Arg &arg = args[taken];
    switch (arg.kind) {
      case Kind::kInt:
        Call(out, pattern, args, values..., arg.i);
        return;
      case Kind::kDouble:
        Call(out, pattern, args, values..., arg.d);
        return;
      case Kind::kNarrow:
        Call(out, pattern, args, values..., arg.narrow.c_str());
        return;
      case Kind::kWide:
        Call(out, pattern, args, values..., static_cast<const uint16_t *>(arg.wide.data()));
        return;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Pattern pattern;
  if (!Parse(data, size, pattern)) return -1;
  size_t end = 0;
  while (end < size && data[end] != 0) ++end;
  InputStream in(data, size);
  in.Skip(end + 1);
  std::vector<Arg> args;
  TakeArgs(in, pattern, args);
  Predict(pattern, args);

  // Format empties the string first, whatever it held.
  WString out;
  out.AssignNarrow("previous content");
  Call(out, pattern.text.c_str(), args);
  Check(out.Data()[out.Size()] == 0, "the result is terminated");
  if (!Matches(pattern.parts, out.Data(), out.Size())) {
    std::fprintf(stderr, "pattern \"%s\" gave %u units:", pattern.text.c_str(), out.Size());
    for (uint32_t i = 0; i < out.Size(); ++i) std::fprintf(stderr, " %04X", out.Data()[i]);
    Fail("%s", "");
  }
  return 0;
}
