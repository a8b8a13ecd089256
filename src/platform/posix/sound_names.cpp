#include <sys/stat.h>

#include <cstdlib>

#include "platform/posix/sound_sink.h"
#include "platform/posix/utf_convert.h"
#include "util/ascii.h"

// The installation's sounds folder, set by the build for the prefix it installs to.
#ifndef BCREADER_SOUND_DIR_DEFAULT
#define BCREADER_SOUND_DIR_DEFAULT "/usr/local/share/bcreader/sounds"
#endif

namespace bcr::platform {

namespace {

constexpr const char kTerminalFolder[] = "\\windows\\";
constexpr size_t kTerminalFolderLength = sizeof kTerminalFolder - 1;
// U+FFFD in UTF-8, for units that are no text.
constexpr const char kReplacement[] = "\xEF\xBF\xBD";

bool IsRegularFile(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The UTF-16LE bytes as UTF-8 at the end of text, U+FFFD when they hold a lone surrogate;
// utf16le is emptied.
void AppendConverted(std::string *utf16le, std::string *text) {
  if (utf16le->empty()) return;
  std::string utf8;
  *text += Utf16LeToUtf8(*utf16le, &utf8) ? utf8 : kReplacement;
  utf16le->clear();
}

}  // namespace

std::string SoundNameText(const WString &name) {
  std::string text;
  std::string wide;  // the units above 0xFF since the last byte, UTF-16LE
  const uint16_t *units = name.Data();
  for (uint32_t i = 0; i < name.Size() && units[i] != 0; ++i) {
    if (units[i] > 0xFF) {
      wide.push_back(static_cast<char>(units[i] & 0xFF));
      wide.push_back(static_cast<char>(units[i] >> 8));
      continue;
    }
    AppendConverted(&wide, &text);
    text.push_back(static_cast<char>(units[i]));
  }
  AppendConverted(&wide, &text);
  return text;
}

std::string SoundFilePath(const std::string &name, const std::string &soundDir) {
  if (!StartsWithNoCase(name, kTerminalFolder)) return name;
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
