// Reading the library's wire trace (BCREADER_TRACE): each line of the file shown with what its
// bytes are, one frame a line.
#ifndef BCREADER_TOOLS_CLI_TRACE_VIEW_H
#define BCREADER_TOOLS_CLI_TRACE_VIEW_H

#include <cstdint>
#include <cstdio>
#include <ios>
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

// The wire trace of this run: the file BCREADER_TRACE names, or else a temporary file that this
// object makes, points the variable at and removes again. Open it before the library opens the
// engine, which is when the library reads the variable.
class TraceFile {
 public:
  TraceFile() = default;
  TraceFile(const TraceFile &) = delete;
  TraceFile &operator=(const TraceFile &) = delete;
  ~TraceFile();

  // False when no temporary file could be made.
  bool Open();
  const std::string &Path() const { return path_; }
  // The lines this process wrote since the last call (or since Open) whose note begins with
  // notePrefix.
  uint32_t CountNew(const std::string &notePrefix);

 private:
  std::string path_;
  bool own_ = false;
  std::streamoff offset_ = 0;
};

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_TRACE_VIEW_H
