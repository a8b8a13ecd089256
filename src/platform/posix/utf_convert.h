// Conversion between UTF-16 and UTF-8 through iconv. Invalid input is refused, never repaired.
#ifndef BCREADER_PLATFORM_POSIX_UTF_CONVERT_H
#define BCREADER_PLATFORM_POSIX_UTF_CONVERT_H

#include <string>
#include <string_view>

namespace bcr::platform {

// UTF-16LE bytes (a byte-order mark among them is kept as U+FEFF) as UTF-8. False, *utf8
// unspecified, for an odd byte count or a surrogate without its partner.
bool Utf16LeToUtf8(std::string_view utf16le, std::string *utf8);

// True when text is UTF-8 that has a UTF-16 form: no overlong form, no surrogate, nothing past
// U+10FFFF and no sequence cut off. Zero bytes are characters like any other.
bool IsUtf8(std::string_view text);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_UTF_CONVERT_H
