#include "platform/posix/reg_text.h"

#include <cstdio>
#include <vector>

#include "platform/posix/utf_convert.h"
#include "util/ascii.h"

namespace bcr::platform {

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";
const char kByteOrderMark[] = "\xEF\xBB\xBF";

// The text cut at every LF. A text that ends with LF gives a last, empty element, so joining
// the lines with LF gives the text back exactly.
std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

std::string JoinLines(const std::vector<std::string> &lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  return text;
}

// The line without its CR, leading blanks and trailing blanks.
std::string Trimmed(const std::string &line) {
  size_t begin = line.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::string();
  size_t end = line.find_last_not_of(" \t\r");
  return line.substr(begin, end - begin + 1);
}

const char kUtf16ByteOrderMark[] = "\xFF\xFE";

// The text with the CR of every CR LF removed.
std::string LfLineEnds(const std::string &text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') out += text[i];
  }
  return out;
}

enum class LineKind { kBlank, kComment, kKey, kValue, kOther };

struct Line {
  LineKind kind = LineKind::kOther;
  std::string name;  // the key path of a key line, the unescaped name of a value line ("" for @)
  std::string data;  // what follows the '=' of a value line
};

Line Classify(const std::string &raw) {
  Line line;
  std::string text = Trimmed(raw);
  if (text.empty()) {
    line.kind = LineKind::kBlank;
  } else if (text[0] == ';') {
    line.kind = LineKind::kComment;
  } else if (text[0] == '[') {
    if (text.back() == ']') {
      line.kind = LineKind::kKey;
      line.name = text.substr(1, text.size() - 2);
    }
  } else if (text[0] == '@') {
    if (text.size() > 1 && text[1] == '=') {
      line.kind = LineKind::kValue;
      line.data = text.substr(2);
    }
  } else if (text[0] == '"') {
    for (size_t i = 1; i < text.size(); ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        line.name += text[++i];
      } else if (text[i] == '"') {
        if (i + 1 < text.size() && text[i + 1] == '=') {
          line.kind = LineKind::kValue;
          line.data = text.substr(i + 2);
        }
        break;
      } else {
        line.name += text[i];
      }
    }
  }
  return line;
}

bool Continues(const std::string &raw) {
  std::string text = Trimmed(raw);
  return !text.empty() && text.back() == '\\';
}

std::string ValueLine(const std::string &valueName, uint32_t data) {
  std::string line = "\"";
  for (char c : valueName) {
    if (c == '"' || c == '\\') line += '\\';
    line += c;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(data));
  return line + "\"=dword:" + hex;
}

// Calls visit(index, line, inKey) for every line after the header that starts a key line or a
// value line, skipping continuation lines; inKey tells whether the line lies in a section of key.
template <typename Visit>
void ForEachEntry(const std::vector<std::string> &lines, const std::string &key, Visit visit) {
  bool inKey = false;
  bool continuation = false;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (continuation) {
      continuation = Continues(lines[i]);
      continue;
    }
    Line line = Classify(lines[i]);
    if (line.kind == LineKind::kKey) inKey = EqualNoCase(line.name, key);
    if (line.kind == LineKind::kValue) continuation = Continues(lines[i]);
    visit(i, line, inKey);
  }
}

}  // namespace

std::string RegTextEmpty() {
  return std::string(kHeader) + "\n\n";
}

bool RegTextValid(const std::string &text) {
  if (text.find('\0') != std::string::npos || !IsUtf8(text)) return false;
  std::vector<std::string> lines = SplitLines(text);
  std::string first = lines[0];
  if (first.compare(0, 3, kByteOrderMark) == 0) first.erase(0, 3);
  if (!first.empty() && first.back() == '\r') first.pop_back();
  if (first != kHeader) return false;

  // Values only within a key, and no line of another kind.
  bool inSection = false;
  bool valid = true;
  ForEachEntry(lines, std::string(), [&](size_t, const Line &line, bool) {
    if (line.kind == LineKind::kKey) inSection = true;
    if (line.kind == LineKind::kOther || (line.kind == LineKind::kValue && !inSection)) {
      valid = false;
    }
  });
  return valid;
}

bool RegTextDecode(const std::string &bytes, std::string *text) {
  if (bytes.compare(0, 2, kUtf16ByteOrderMark) == 0) {
    if (!Utf16LeToUtf8(std::string_view(bytes).substr(2), text)) return false;
    *text = LfLineEnds(*text);
  } else {
    *text = bytes;
  }
  return RegTextValid(*text);
}

std::string RegTextSetDword(const std::string &text, const std::string &key,
                            const std::string &valueName, uint32_t data) {
  const std::vector<std::string> lines = SplitLines(text);
  const std::string newLine = ValueLine(valueName, data);

  std::vector<bool> isValue(lines.size(), false);  // a line of this value in this key
  size_t lastKeyLine = 0;                          // last non-blank line of the key's last section
  bool keyFound = false;
  ForEachEntry(lines, key, [&](size_t i, const Line &line, bool inKey) {
    if (!inKey) return;
    keyFound = true;
    if (line.kind == LineKind::kKey || line.kind == LineKind::kValue) lastKeyLine = i;
    if (line.kind == LineKind::kValue && EqualNoCase(line.name, valueName)) isValue[i] = true;
  });

  std::vector<std::string> out;
  bool replaced = false;
  bool skipping = false;  // continuation lines of a replaced line
  for (size_t i = 0; i < lines.size(); ++i) {
    if (skipping) {
      skipping = Continues(lines[i]);
      continue;
    }
    if (isValue[i]) {
      // Keeps the line end of the line it replaces (CR LF in a file from a Windows editor).
      bool crlf = !lines[i].empty() && lines[i].back() == '\r';
      out.push_back(crlf ? newLine + '\r' : newLine);
      skipping = Continues(lines[i]);
      replaced = true;
      continue;
    }
    out.push_back(lines[i]);
  }

  if (!replaced && keyFound) {
    // After the key line or its last value, past that value's continuation lines.
    size_t at = lastKeyLine + 1;
    if (Classify(lines[lastKeyLine]).kind == LineKind::kValue) {
      while (at < lines.size() && Continues(lines[at - 1])) ++at;
    }
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), newLine);
  } else if (!replaced) {
    // out ends with "" when the text ends with LF; make it so, then keep one blank line
    // between the last section and the new one.
    if (!out.back().empty()) out.push_back(std::string());
    if (out.size() < 2 || Classify(out[out.size() - 2]).kind != LineKind::kBlank) {
      out.push_back(std::string());
    }
    out.back() = "[" + key + "]";
    out.push_back(newLine);
    out.push_back(std::string());
  }

  std::string result = JoinLines(out);
  if (result.back() != '\n') result += '\n';
  return result;
}

bool RegTextGetDword(const std::string &text, const std::string &key, const std::string &valueName,
                     uint32_t *data) {
  const std::vector<std::string> lines = SplitLines(text);
  std::string found;
  bool any = false;
  ForEachEntry(lines, key, [&](size_t, const Line &line, bool inKey) {
    if (inKey && line.kind == LineKind::kValue && EqualNoCase(line.name, valueName)) {
      found = line.data;
      any = true;
    }
  });
  if (!any || found.size() < 7 || found.size() > 14) return false;
  if (!EqualNoCase(found.substr(0, 6), "dword:")) return false;
  uint32_t value = 0;
  for (size_t i = 6; i < found.size(); ++i) {
    char c = found[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f') {
      digit = static_cast<uint32_t>(AsciiLower(c) - 'a' + 10);
    } else {
      return false;
    }
    value = value << 4 | digit;
  }
  if (data != nullptr) *data = value;
  return true;
}

}  // namespace bcr::platform
