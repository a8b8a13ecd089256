// One decode as the tool reports it: a readable line, or one JSON object per line for programs.
#ifndef BCREADER_TOOLS_CLI_DECODE_REPORT_H
#define BCREADER_TOOLS_CLI_DECODE_REPORT_H

#include <cstdint>
#include <string>

namespace cli {

struct DecodeReport {
  std::string data;        // the decoded bytes as the library gave them
  int32_t decodeType = 0;  // GetDecodeType's character, 0 when the decode has none
  int64_t ms = 0;          // what the command measures (documented with each command)
  // Characters of the typed text the keyboard layout had no key for; -1 when nothing was typed.
  int64_t keyboardSkipped = -1;
};

// Symbology (decode type), length, time and the data with every byte that is not printable
// ASCII, and the backslash, written as an escape: "Code 128 (I), 6 bytes, 105 ms: ABC123"; when
// the decode was typed, followed by " (typed, 1 character skipped: no key on the layout)".
std::string DecodeLine(const DecodeReport &decode);

// Bytes for a terminal: printable ASCII as it is, \\ \t \n \r, any other byte as \xHH.
std::string Printable(const std::string &bytes);

// {"type":"I","symbology":"Code 128","data":"ABC123","length":6,"ms":105}; "type" is null when
// the decode has no decode type; "keyboardSkipped":N follows when the decode was typed.
std::string DecodeJson(const DecodeReport &decode);

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_DECODE_REPORT_H
