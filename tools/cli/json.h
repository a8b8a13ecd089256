// JSON text for the tool's machine-readable output.
#ifndef BCREADER_TOOLS_CLI_JSON_H
#define BCREADER_TOOLS_CLI_JSON_H

#include <string>

namespace cli {

// A JSON string literal, quotes included, holding the bytes as the characters of the same code
// (decode data are bytes in the terminal's code page, not UTF-8): " \ and the control characters
// are escaped, bytes 0x80..0xFF become U+0080..U+00FF in UTF-8, so the result is always valid
// JSON and valid UTF-8.
std::string JsonString(const std::string &bytes);

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_JSON_H
