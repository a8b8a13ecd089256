// Comparison of names as the system compares them: ASCII letters without regard to case, every
// other byte as it is.
#ifndef BCREADER_UTIL_ASCII_H
#define BCREADER_UTIL_ASCII_H

#include <string_view>

namespace bcr {

inline bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace bcr

#endif  // BCREADER_UTIL_ASCII_H
