#include "json.h"

#include <cstdio>

namespace cli {

std::string JsonString(const std::string &bytes) {
  std::string out = "\"";
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escape[7];
          std::snprintf(escape, sizeof escape, "\\u%04x", byte);
          out += escape;
        } else if (byte >= 0x80) {
          out += static_cast<char>(0xC0 | (byte >> 6));
          out += static_cast<char>(0x80 | (byte & 0x3F));
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace cli
