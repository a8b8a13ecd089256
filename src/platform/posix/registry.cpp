// Registry values in a .reg text file, replaced atomically: the new text goes to a temporary
// file in the same folder, is flushed to the disk, and is renamed over the old one.
#include "platform/registry.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/posix/reg_text.h"

namespace bcr::platform {

namespace {

const char kSystemFile[] = "/var/lib/bcreader/registry.reg";
const char kStateFile[] = "bcreader/registry.reg";

std::string Env(const char *name) {
  const char *value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string Parent(const std::string &path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// True when the file could be written there: its nearest existing folder lets us add entries.
bool FolderWritable(const std::string &file) {
  std::string folder = Parent(file);
  for (;;) {
    struct stat info;
    if (stat(folder.c_str(), &info) == 0) {
      return S_ISDIR(info.st_mode) && access(folder.c_str(), W_OK | X_OK) == 0;
    }
    if (errno != ENOENT || folder == "/" || folder == ".") return false;
    folder = Parent(folder);
  }
}

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  struct passwd entry;
  struct passwd *found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return std::string();
}

bool MakeFolders(const std::string &folder) {
  struct stat info;
  if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  if (errno != ENOENT) return false;
  std::string parent = Parent(folder);
  if (parent != folder && !MakeFolders(parent)) return false;
  return mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST;
}

// Reads the whole file. False with errno set when it cannot be read (ENOENT: missing).
bool ReadFile(const std::string &path, std::string *text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  text->clear();
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      close(fd);
      errno = error;
      return false;
    }
    if (n == 0) break;
    text->append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

bool WriteAll(int fd, const std::string &text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Replaces path with text: temporary file, fsync, rename, fsync of the folder.
bool ReplaceFile(const std::string &path, int folderFd, const std::string &text, mode_t mode) {
  std::string temporary = path + ".XXXXXX";
  int fd = mkostemp(&temporary[0], O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  fsync(folderFd);  // makes the rename itself durable
  return true;
}

std::string KeyPath(uint32_t root, const char *subkey) {
  const char *rootName;
  switch (root) {
    case kRegistryClassesRoot:
      rootName = "HKEY_CLASSES_ROOT";
      break;
    case kRegistryCurrentUser:
      rootName = "HKEY_CURRENT_USER";
      break;
    case kRegistryLocalMachine:
      rootName = "HKEY_LOCAL_MACHINE";
      break;
    case kRegistryUsers:
      rootName = "HKEY_USERS";
      break;
    default:
      return std::string();
  }
  std::string path = rootName;
  std::string rest = subkey != nullptr ? subkey : "";
  size_t begin = rest.find_first_not_of('\\');
  size_t end = rest.find_last_not_of('\\');
  if (begin != std::string::npos) path += "\\" + rest.substr(begin, end - begin + 1);
  return path;
}

}  // namespace

std::string RegistryFilePath() {
  std::string configured = Env("BCREADER_REGISTRY");
  if (!configured.empty()) return configured;
  if (FolderWritable(kSystemFile)) return kSystemFile;
  std::string state = Env("XDG_STATE_HOME");
  if (state.empty() || state[0] != '/') state = HomeFolder() + "/.local/state";
  return state + "/" + kStateFile;
}

bool RegistryWriteDword(uint32_t root, const char *subkey, const char *valueName, uint32_t data) {
  std::string key = KeyPath(root, subkey);
  if (key.empty() || valueName == nullptr || *valueName == '\0') return false;
  std::string path = RegistryFilePath();
  std::string folder = Parent(path);
  if (!MakeFolders(folder)) return false;

  // The lock on the folder makes writers of this file, in any process, take turns over the
  // read, change and rename; the file itself is replaced and so cannot carry the lock.
  int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return false;
  while (flock(folderFd, LOCK_EX) != 0 && errno == EINTR) {
  }

  bool ok = true;
  mode_t mode = 0644;
  std::string text;
  struct stat info;
  if (stat(path.c_str(), &info) == 0) mode = info.st_mode & 07777;
  if (!ReadFile(path, &text)) {
    if (errno == ENOENT) {
      text = RegTextEmpty();
    } else {
      ok = false;
    }
  } else if (!RegTextValid(text)) {
    ok = rename(path.c_str(), (path + ".bad").c_str()) == 0;
    text = RegTextEmpty();
  }
  if (ok) ok = ReplaceFile(path, folderFd, RegTextSetDword(text, key, valueName, data), mode);

  flock(folderFd, LOCK_UN);
  close(folderFd);
  return ok;
}

bool RegistryReadDword(uint32_t root, const char *subkey, const char *valueName, uint32_t *data) {
  std::string key = KeyPath(root, subkey);
  if (key.empty() || valueName == nullptr || *valueName == '\0') return false;
  std::string text;
  if (!ReadFile(RegistryFilePath(), &text) || !RegTextValid(text)) return false;
  return RegTextGetDword(text, key, valueName, data);
}

}  // namespace bcr::platform
