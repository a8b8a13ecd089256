#include "platform/posix/utf_convert.h"

#include <errno.h>
#include <iconv.h>

namespace bcr::platform {

namespace {

constexpr size_t kIconvFailed = static_cast<size_t>(-1);

// The whole of in converted from one encoding to the other; false at the first byte that is not
// of the source encoding or a sequence cut off at the end (or when iconv lacks the pair).
bool Convert(const char *to, const char *from, std::string_view in, std::string *out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out->clear();
  // iconv takes a non-const input pointer but does not write through it.
  char *next = const_cast<char *>(in.data());
  size_t left = in.size();
  bool converted = true;
  while (left > 0 && converted) {
    char buffer[1024];
    char *end = buffer;
    size_t room = sizeof buffer;
    converted = iconv(cd, &next, &left, &end, &room) != kIconvFailed || errno == E2BIG;
    out->append(buffer, sizeof buffer - room);
  }
  iconv_close(cd);
  return converted;
}

}  // namespace

bool Utf16LeToUtf8(std::string_view utf16le, std::string *utf8) {
  return Convert("UTF-8", "UTF-16LE", utf16le, utf8);
}

bool IsUtf8(std::string_view text) {
  std::string utf16le;
  return Convert("UTF-16LE", "UTF-8", text, &utf16le);
}

}  // namespace bcr::platform
