#include <sys/stat.h>

#include <cstdlib>

#include "platform/posix/sound_sink.h"

// The installation's sounds folder, set by the build for the prefix it installs to.
#ifndef BCREADER_SOUND_DIR_DEFAULT
#define BCREADER_SOUND_DIR_DEFAULT "/usr/local/share/bcreader/sounds"
#endif

namespace bcr::platform {

namespace {

constexpr const char kTerminalFolder[] = "\\windows\\";
constexpr size_t kTerminalFolderLength = sizeof kTerminalFolder - 1;

bool StartsWithTerminalFolder(const std::string &name) {
  if (name.size() < kTerminalFolderLength) return false;
  for (size_t i = 0; i < kTerminalFolderLength; ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kTerminalFolder[i]) return false;
  }
  return true;
}

bool IsRegularFile(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void AppendUtf8(uint16_t unit, std::string *text) {
  if (unit < 0x800) {
    text->push_back(static_cast<char>(0xC0 | unit >> 6));
  } else {
    text->push_back(static_cast<char>(0xE0 | unit >> 12));
    text->push_back(static_cast<char>(0x80 | (unit >> 6 & 0x3F)));
  }
  text->push_back(static_cast<char>(0x80 | (unit & 0x3F)));
}

}  // namespace

std::string SoundNameText(const WString &name) {
  std::string text;
  const uint16_t *units = name.Data();
  for (uint32_t i = 0; i < name.Size() && units[i] != 0; ++i) {
    if (units[i] <= 0xFF) {
      text.push_back(static_cast<char>(units[i]));
    } else {
      AppendUtf8(units[i], &text);
    }
  }
  return text;
}

std::string SoundFilePath(const std::string &name, const std::string &soundDir) {
  if (!StartsWithTerminalFolder(name)) return name;
  std::string path = soundDir + "/" + name.substr(kTerminalFolderLength);
  for (size_t i = soundDir.size() + 1; i < path.size(); ++i) {
    if (path[i] == '\\') path[i] = '/';
  }
  if (IsRegularFile(path) || !IsRegularFile(path + ".wav")) return path;
  return path + ".wav";
}

std::string SoundDirectory() {
  const char *dir = std::getenv("BCREADER_SOUND_DIR");
  return dir != nullptr && *dir != '\0' ? dir : BCREADER_SOUND_DIR_DEFAULT;
}

}  // namespace bcr::platform
