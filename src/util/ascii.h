// Names as the system treats them: ASCII letters without regard to case, every other byte as it
// is.
#ifndef BCREADER_UTIL_ASCII_H
#define BCREADER_UTIL_ASCII_H

#include <string>
#include <string_view>

namespace bcr {

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char &c : lower) c = AsciiLower(c);
  return lower;
}

inline bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace bcr

#endif  // BCREADER_UTIL_ASCII_H
