// The record: sinks of the keyboard and the sound on Windows: one line per platform call,
// appended to a file and written at once, in the same line formats as on Linux, so that the
// keystrokes and sounds can be checked where no keyboard or speaker is reached (a test machine, a
// headless system).
#ifndef BCREADER_PLATFORM_WIN32_RECORD_SINK_H
#define BCREADER_PLATFORM_WIN32_RECORD_SINK_H

#include <string>

namespace bcr::platform {

// The file of a sink setting "record:<file>", or "" when the setting names another sink.
std::wstring RecordSinkFile(const std::wstring &setting);

// Appends line and a line feed to the file (created when missing) in one write to a file opened
// for appending, so lines of concurrent writers never mix. False when it cannot be written.
bool AppendRecordLine(const std::wstring &file, const std::string &line);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_WIN32_RECORD_SINK_H
