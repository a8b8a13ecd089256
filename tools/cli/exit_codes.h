// What the tool's exit status tells a script.
#ifndef BCREADER_TOOLS_CLI_EXIT_CODES_H
#define BCREADER_TOOLS_CLI_EXIT_CODES_H

namespace cli {

constexpr int kExitSuccess = 0;
constexpr int kExitUsage = 1;     // the command line was wrong; the reader was not touched
constexpr int kExitReader = 2;    // the reader did not come up or refused the request
constexpr int kExitNoDecode = 3;  // no decode within the time-out
// serve: the name is another process's or no bus can be reached; nothing was served.
constexpr int kExitNotServed = 1;

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_EXIT_CODES_H
