// The record: sinks of the keyboard and the sound: one line per platform call, appended to a
// file and flushed at once, so that tests and users see exactly what would have been sent.
#ifndef BCREADER_PLATFORM_POSIX_RECORD_SINK_H
#define BCREADER_PLATFORM_POSIX_RECORD_SINK_H

#include <string>

namespace bcr::platform {

// The file of a sink setting "record:<file>", or "" when the setting names another sink.
std::string RecordSinkFile(const char *setting);
// Appends line and a line feed to the file in one write. False when the file cannot be written.
bool AppendRecordLine(const std::string &file, const std::string &line);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_RECORD_SINK_H
