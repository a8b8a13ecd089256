// Reading the library's wire trace (BCREADER_TRACE): each line of the file shown with what its
// bytes are, one frame a line.
#ifndef BCREADER_TOOLS_CLI_TRACE_VIEW_H
#define BCREADER_TOOLS_CLI_TRACE_VIEW_H

#include <cstdint>
#include <string>

#include "args.h"

namespace cli {

// One trace line shown decoded: "<+ms> <pid> <tx|rx|--> <bit/s> <frame> [<hex>] (<note>)", the
// time relative to startMs. A line that is not a trace line comes back as it is, prefixed "? ".
std::string DescribeTraceLine(const std::string &line, uint64_t startMs);

// Writes the file's lines decoded to out; lines of other processes are left out when pid is not
// 0. False when the file cannot be read.
bool PrintTrace(const std::string &file, uint32_t pid, std::FILE *out);

// trace <file>
int RunTrace(const Arguments &args);

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_TRACE_VIEW_H
