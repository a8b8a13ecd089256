// Registry values in a .reg text file, replaced atomically: the new text goes to a temporary
// file in the same folder, is flushed to the disk, and is renamed over the old one.
#include "platform/registry.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>

#include "platform/clock.h"
#include "platform/posix/reg_text.h"
#include "platform/posix/registry_folder.h"

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

// A registry file holds a few values; a larger one is not taken for one, and is not read.
constexpr off_t kLongestFile = 1 << 20;
// Writers of this process take turns here first, each for a bounded time, so that the wait
// below is only ever for another process.
std::mutex writers;
// How long a write waits for another process's writer of the same file, and in what steps.
constexpr uint64_t kLockWaitMs = 250;
constexpr uint32_t kLockStepMs = 10;
// The symbolic links followed from the configured path to the file, as the kernel allows.
constexpr int kMostLinks = 40;

// Closes a descriptor when it goes out of scope.
struct Descriptor {
  int fd;
  explicit Descriptor(int descriptor) : fd(descriptor) {}
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
};

// The file a path names once its symbolic links are followed (the name the last link points to
// when that does not exist yet), so that a linked file is read and replaced where the link
// points and the link is kept. False for a loop, a link that cannot be read, and a link that
// belongs neither to the process's effective user nor to root: in a folder others may write to
// (the package's is the group's), such a link could lead the write to a file of someone else's,
// as the kernel's protected_symlinks rule sees it in sticky world-writable folders.
bool FollowLinks(const std::string &path, std::string *file) {
  std::string current = path;
  for (int hop = 0; hop <= kMostLinks; ++hop) {
    // The owner is checked and the target read on one descriptor of the link itself, so that a
    // link put in its place between the two is never followed.
    Descriptor link(open(current.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (link.fd < 0 || fstat(link.fd, &info) != 0 || !S_ISLNK(info.st_mode)) {
      *file = current;
      return true;
    }
    if (info.st_uid != geteuid() && info.st_uid != 0) return false;
    char target[PATH_MAX];
    ssize_t n = readlinkat(link.fd, "", target, sizeof target - 1);
    if (n <= 0) return false;
    target[n] = '\0';
    current = target[0] == '/' ? std::string(target) : Parent(current) + "/" + target;
  }
  return false;
}

enum class FileState {
  kMissing,     // no file by that name
  kText,        // registry text, in *text as UTF-8
  kNotText,     // a regular file that is not registry text, or is too large to be one
  kNotRegular,  // a device, a FIFO, a folder, a socket: never opened, never touched
  kError,       // could not be read
};

// Reads a registry file (path names the file itself, not a link). Anything but a regular file
// is left unopened, and a regular file above kLongestFile is not read. *mode receives the
// file's permission bits.
FileState LoadFile(const std::string &path, std::string *text, mode_t *mode) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0)
    return errno == ENOENT ? FileState::kMissing : FileState::kError;
  if (!S_ISREG(info.st_mode)) return FileState::kNotRegular;
  // Checked again on the descriptor: the name may have been replaced since.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? FileState::kMissing : FileState::kError;
  Descriptor file(fd);
  if (fstat(fd, &info) != 0) return FileState::kError;
  if (!S_ISREG(info.st_mode)) return FileState::kNotRegular;
  *mode = info.st_mode & 07777;
  if (info.st_size > kLongestFile) return FileState::kNotText;
  std::string bytes;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileState::kError;
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
    // A file that grew while it was read.
    if (bytes.size() > static_cast<size_t>(kLongestFile)) return FileState::kNotText;
  }
  return RegTextDecode(bytes, text) ? FileState::kText : FileState::kNotText;
}

// Takes the folder's lock, waiting kLockWaitMs at most for another writer.
bool LockFolder(int fd) {
  const uint64_t deadline = NowMs() + kLockWaitMs;
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (NowMs() >= deadline) return false;
    Sleep(kLockStepMs);
  }
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

std::string RegistryFilePath() {
  std::string configured = Env("BCREADER_REGISTRY");
  if (!configured.empty()) return configured;
  if (FolderWritable(kSystemFile)) return kSystemFile;
  std::string state = Env("XDG_STATE_HOME");
  if (state.empty() || state[0] != '/') state = HomeFolder() + "/.local/state";
  return state + "/" + kStateFile;
}

bool RegistryWriteDword(uint32_t root, const char *subkey, const char *valueName, uint32_t data) {
  try {
    std::string key = KeyPath(root, subkey);
    if (key.empty() || valueName == nullptr || *valueName == '\0') return false;
    std::string path;
    if (!FollowLinks(RegistryFilePath(), &path)) return false;
    // Anything but a regular file is left as it is: a device, a FIFO or a folder is neither read
    // nor replaced nor moved aside.
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return false;
    std::string folder = Parent(path);
    if (!MakeFolders(folder)) return false;

    // The lock on the folder makes writers of this file, in any process, take turns over the
    // read, change and rename; the file itself is replaced and so cannot carry the lock.
    std::lock_guard<std::mutex> turn(writers);
    Descriptor folderFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.fd < 0 || !LockFolder(folderFd.fd)) return false;

    mode_t mode = 0644;
    std::string text;
    switch (LoadFile(path, &text, &mode)) {
      case FileState::kMissing:
        text = RegTextEmpty();
        break;
      case FileState::kText:
        break;
      case FileState::kNotText:
        if (rename(path.c_str(), (path + ".bad").c_str()) != 0) return false;
        text = RegTextEmpty();
        break;
      case FileState::kNotRegular:
      case FileState::kError:
        return false;
    }
    // The lock goes with the descriptor.
    return ReplaceFile(path, folderFd.fd, RegTextSetDword(text, key, valueName, data), mode);
  } catch (const std::bad_alloc &) {
    return false;
  }
}

bool RegistryReadDword(uint32_t root, const char *subkey, const char *valueName, uint32_t *data) {
  try {
    std::string key = KeyPath(root, subkey);
    if (key.empty() || valueName == nullptr || *valueName == '\0') return false;
    std::string path;
    std::string text;
    mode_t mode = 0;
    if (!FollowLinks(RegistryFilePath(), &path) ||
        LoadFile(path, &text, &mode) != FileState::kText) {
      return false;
    }
    return RegTextGetDword(text, key, valueName, data);
  } catch (const std::bad_alloc &) {
    return false;
  }
}

}  // namespace bcr::platform
