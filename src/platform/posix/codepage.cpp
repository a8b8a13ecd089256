// The system code page through iconv, decoding to UTF-32 and building the UTF-16 units here, so
// that the result does not depend on the byte order of the machine.
#include "platform/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <cstdlib>
#include <cstring>

namespace bcr::platform {

namespace {

constexpr const char *kCodePageVariable = "BCREADER_CODEPAGE";
constexpr const char *kDefaultCodePage = "CP1252";
constexpr const char *kDecodedForm = "UTF-32LE";
constexpr uint32_t kReplacement = 0xFFFD;
constexpr size_t kIconvFailed = static_cast<size_t>(-1);

class Converter {
 public:
  explicit Converter(const char *codePage)
      : cd_(iconv_open(kDecodedForm, codePage)), valid_(cd_ != reinterpret_cast<iconv_t>(-1)) {}
  ~Converter() {
    if (valid_) iconv_close(cd_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;

  bool Valid() const { return valid_; }
  iconv_t Get() const { return cd_; }

 private:
  iconv_t cd_;
  bool valid_;  // iconv_open gives (iconv_t)-1 for a code page it does not know
};

const char *SystemCodePage() {
  const char *name = std::getenv(kCodePageVariable);
  return name != nullptr && name[0] != '\0' ? name : kDefaultCodePage;
}

// True when no byte of the code page starts a longer sequence. Uses a converter of its own so
// that the shift state of the main conversion is kept.
bool IsSingleByte(const char *codePage) {
  Converter probe(codePage);
  if (!probe.Valid()) return false;
  for (int value = 0; value < 256; ++value) {
    char byte = static_cast<char>(value);
    char *in = &byte;
    size_t inLeft = 1;
    char decoded[16];
    char *out = decoded;
    size_t outLeft = sizeof decoded;
    iconv(probe.Get(), nullptr, nullptr, nullptr, nullptr);
    if (iconv(probe.Get(), &in, &inLeft, &out, &outLeft) == kIconvFailed && errno == EINVAL) {
      return false;
    }
  }
  return true;
}

// Collects the units of the result: stores them while they fit, or only counts them when the
// caller asked for the size.
class Output {
 public:
  Output(uint16_t *destination, int room) : destination_(destination), room_(room) {}

  void Add(uint32_t codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      codePoint = kReplacement;
    }
    if (codePoint > 0xFFFF) {
      codePoint -= 0x10000;
      Store(static_cast<uint16_t>(0xD800 + (codePoint >> 10)));
      Store(static_cast<uint16_t>(0xDC00 + (codePoint & 0x3FF)));
    } else {
      Store(static_cast<uint16_t>(codePoint));
    }
  }

  void AddDecoded(const unsigned char *bytes, size_t length) {
    for (size_t i = 0; i + 4 <= length; i += 4) {
      Add(static_cast<uint32_t>(bytes[i]) | static_cast<uint32_t>(bytes[i + 1]) << 8 |
          static_cast<uint32_t>(bytes[i + 2]) << 16 | static_cast<uint32_t>(bytes[i + 3]) << 24);
    }
  }

  bool Overflowed() const { return overflowed_; }
  int Count() const { return count_; }

 private:
  void Store(uint16_t unit) {
    if (overflowed_) return;
    if (room_ > 0) {
      if (count_ >= room_) {
        overflowed_ = true;
        return;
      }
      destination_[count_] = unit;
    } else if (count_ == 0x7FFFFFFF) {
      overflowed_ = true;
      return;
    }
    ++count_;
  }

  uint16_t *destination_;
  int room_;  // 0: count only
  int count_ = 0;
  bool overflowed_ = false;
};

}  // namespace

int ConvertToWide(const char *source, int sourceLength, uint16_t *destination,
                  int destinationLength) {
  if (source == nullptr || sourceLength == 0 || sourceLength < -1 || destinationLength < 0) {
    return 0;
  }
  if (destination == nullptr && destinationLength > 0) return 0;
  size_t inLeft = sourceLength == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLength);

  const char *codePage = SystemCodePage();
  Converter converter(codePage);
  if (!converter.Valid()) return 0;

  Output output(destination, destinationLength);
  int singleByte = -1;  // not known until the first undecodable byte
  // iconv takes a non-const input pointer but does not write through it.
  char *in = const_cast<char *>(source);
  unsigned char decoded[1024];
  while (inLeft > 0 && !output.Overflowed()) {
    char *out = reinterpret_cast<char *>(decoded);
    size_t outLeft = sizeof decoded;
    size_t result = iconv(converter.Get(), &in, &inLeft, &out, &outLeft);
    int error = errno;
    output.AddDecoded(decoded, sizeof decoded - outLeft);
    if (result != kIconvFailed || error == E2BIG) continue;
    if (error != EILSEQ && error != EINVAL) return 0;
    // An undecodable byte, or a sequence cut off by the end of the text: one character for the
    // byte, then go on with the next one.
    if (singleByte < 0) singleByte = IsSingleByte(codePage) ? 1 : 0;
    output.Add(singleByte == 1 ? static_cast<unsigned char>(*in) : kReplacement);
    ++in;
    --inLeft;
  }
  // Some decoders hold the last character back until they know no combining mark follows.
  char *out = reinterpret_cast<char *>(decoded);
  size_t outLeft = sizeof decoded;
  iconv(converter.Get(), nullptr, nullptr, &out, &outLeft);
  output.AddDecoded(decoded, sizeof decoded - outLeft);
  return output.Overflowed() ? 0 : output.Count();
}

}  // namespace bcr::platform
