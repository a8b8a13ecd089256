#include "platform/posix/record_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace bcr::platform {

std::string RecordSinkFile(const char *setting) {
  constexpr const char kPrefix[] = "record:";
  if (setting == nullptr || std::strncmp(setting, kPrefix, sizeof kPrefix - 1) != 0) return "";
  return setting + sizeof kPrefix - 1;
}

bool AppendRecordLine(const std::string &file, const std::string &line) {
  int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::string text = line + "\n";
  // O_APPEND makes one write land whole even when several threads record at once.
  ssize_t written = write(fd, text.data(), text.size());
  close(fd);
  return written == static_cast<ssize_t>(text.size());
}

}  // namespace bcr::platform
