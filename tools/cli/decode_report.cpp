#include "decode_report.h"

#include <cstdio>

#include "json.h"
#include "symbology_names.h"

namespace cli {

std::string Printable(const std::string &bytes) {
  std::string out;
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (byte >= 0x20 && byte < 0x7F) {
          out += c;
        } else {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", byte);
          out += hex;
        }
    }
  }
  return out;
}

std::string DecodeLine(const DecodeReport &decode) {
  std::string line = SymbologyName(decode.decodeType);
  if (decode.decodeType > 0 && decode.decodeType < 0x7F) {
    line += " (";
    line += static_cast<char>(decode.decodeType);
    line += ")";
  }
  line += ", " + std::to_string(decode.data.size()) +
          (decode.data.size() == 1 ? " byte, " : " bytes, ") + std::to_string(decode.ms) +
          " ms: " + Printable(decode.data);
  if (decode.keyboardSkipped >= 0) {
    line += " (typed, " + std::to_string(decode.keyboardSkipped) +
            (decode.keyboardSkipped == 1 ? " character" : " characters") +
            " skipped: no key on the layout)";
  }
  return line;
}

std::string DecodeJson(const DecodeReport &decode) {
  std::string type = "null";
  if (decode.decodeType > 0 && decode.decodeType <= 0xFF) {
    type = JsonString(std::string(1, static_cast<char>(decode.decodeType)));
  }
  return "{\"type\":" + type + ",\"symbology\":" + JsonString(SymbologyName(decode.decodeType)) +
         ",\"data\":" + JsonString(decode.data) +
         ",\"length\":" + std::to_string(decode.data.size()) +
         ",\"ms\":" + std::to_string(decode.ms) +
         (decode.keyboardSkipped >= 0
              ? ",\"keyboardSkipped\":" + std::to_string(decode.keyboardSkipped)
              : std::string()) +
         "}";
}

}  // namespace cli
