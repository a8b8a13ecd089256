// The library's limits seen from an application: refused preference writes change nothing, the
// decode wait never wraps, caller buffers are read no further than their sizes, an exhausted heap
// gives a failure result, and the registry file is only ever a regular file of bounded size.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

#include "sim/engine.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

class Limits : public SimReader {
 protected:
  void SetUp() override { Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1", {}, false); }
  void Init() { ASSERT_EQ(BCR_FN(library_, InitReader)(), 1); }
};

#define CALL(name) BCR_FN(library_, name)

TEST_F(Limits, RefusedPreferenceWriteChangesNothing) {
  Init();
  int32_t kept = 5;
  ASSERT_EQ(CALL(UserPreferences_1D_SE955)('w', nullptr, nullptr, nullptr, nullptr, nullptr, &kept,
                                           nullptr),
            1);
  struct Case {
    int32_t timeout, param4E, triggerMode;
  };
  // 42,949,680 tenths once gave a 704 ms decode wait, INT32_MAX one of about 49.7 days; a 1 s
  // time-out beside a value the frame cannot carry must not become the decode wait.
  const Case cases[] = {
      {256, 0, 0}, {42949680, 0, 0}, {INT32_MAX, 0, 0}, {10, 300, 0}, {10, 0, 256}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.timeout << " " << c.param4E << " " << c.triggerMode);
    engine_->ClearRecord();
    int32_t timeout = c.timeout, param4E = c.param4E, mode = c.triggerMode, newKept = 9;
    EXPECT_EQ(CALL(UserPreferences_1D_SE955)('w', &timeout, nullptr, nullptr, &param4E, nullptr,
                                             &newKept, &mode),
              0);
    EXPECT_EQ(timeout, c.timeout);
    int32_t read = 0;
    EXPECT_EQ(CALL(UserPreferences_1D_SE955)('r', nullptr, nullptr, nullptr, nullptr, nullptr,
                                             &read, nullptr),
              1);
    EXPECT_EQ(read, 5);
    // Only the read's request went out.
    EXPECT_EQ(engine_->Frames().size(), 1u);
  }
  // The decode wait is still the default 3 s.
  char buffer[64];
  auto start = Clock::now();
  EXPECT_EQ(CALL(ReadBarcodeData)(nullptr, buffer, sizeof buffer), 0);
  EXPECT_GE(MsSince(start), 2500);
  EXPECT_LT(MsSince(start), 15000);

  // The imager's function: a time-out of 0 would have become 30 in the caller's variable.
  library_.Close();
  engine_ = bcrsim::Engine::Imager4507().Speed(115200).Start();
  ASSERT_NE(engine_, nullptr);
  PointLibraryAt(engine_->Path(), "3", scratch_);
  library_.Open();
  Init();
  const int32_t imagerCases[][3] = {{256, 6, 0}, {0, 300, 0}, {0, 6, 256}};
  for (const auto &c : imagerCases) {
    SCOPED_TRACE(testing::Message() << c[0] << " " << c[1] << " " << c[2]);
    engine_->ClearRecord();
    int32_t timeout = c[0], param89 = c[1], mode = c[2];
    EXPECT_EQ(CALL(UserPreferences_2D_4507)('w', &timeout, &param89, &mode), 0);
    EXPECT_EQ(timeout, c[0]);
    EXPECT_TRUE(engine_->Frames().empty());
  }
}

// Texts in the last bytes of a page whose next page cannot be read: a byte read past the size
// given ends the process. Sizes of 0 and below take terminated texts whole.
TEST_F(Limits, OutputSettingsReadTextsNoFurtherThanTheirSizes) {
  const long page = sysconf(_SC_PAGESIZE);
  auto *pages = static_cast<char *>(
      mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(pages, MAP_FAILED);
  ASSERT_EQ(mprotect(pages + page, page, PROT_NONE), 0);
  char *unterminated = pages + page - 4;
  std::memcpy(unterminated, "ABCD", 4);
  char *suffix = pages + page - 8;
  std::memcpy(suffix, "XY\0Z", 4);
  char *terminated = pages + page - 12;
  std::memcpy(terminated, "PQR", 4);
  struct Case {
    char *prefix;
    int32_t prefixSize, suffixSize;
    const char *prefixText, *suffixText;
  };
  const Case cases[] = {{unterminated, 4, 4, "ABCD", "XY"},
                        {unterminated, 2, 2, "AB", "XY"},
                        {terminated, 0, -1, "PQR", "XY"}};
  for (const Case &c : cases) {
    EXPECT_EQ(CALL(DataOutputSettings)('w', nullptr, nullptr, nullptr, nullptr, nullptr, c.prefix,
                                       c.prefixSize, suffix, c.suffixSize),
              1);
    char readPrefix[16], readSuffix[16];
    EXPECT_EQ(CALL(DataOutputSettings)('r', nullptr, nullptr, nullptr, nullptr, nullptr, readPrefix,
                                       sizeof readPrefix, readSuffix, sizeof readSuffix),
              1);
    EXPECT_STREQ(readPrefix, c.prefixText);
    EXPECT_STREQ(readSuffix, c.suffixText);
  }
  munmap(pages, 2 * page);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define BCR_OWN_ALLOCATOR 0
#else
#define BCR_OWN_ALLOCATOR 1
#endif

// In a child process whose address space is capped: the write needs more memory than is left.
TEST_F(Limits, ExhaustedHeapGivesTheFailureResultAndKeepsTheOldSetting) {
  if (!BCR_OWN_ALLOCATOR) GTEST_SKIP() << "the sanitizers' allocator ignores the address limit";
  char old[] = "P";
  ASSERT_EQ(CALL(DataOutputSettings)('w', nullptr, nullptr, nullptr, nullptr, nullptr, old,
                                     sizeof old, nullptr, 0),
            1);
  const size_t size = 64u << 20;
  std::string large(size, 'A');
  auto setPrefix = CALL(DataOutputSettings);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    long pages = 0;
    if (FILE *statm = fopen("/proc/self/statm", "r")) {
      if (fscanf(statm, "%ld", &pages) != 1) pages = 0;
      fclose(statm);
    }
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max =
        static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (32u << 20);
    if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
    int32_t on = 1;
    int32_t result = setPrefix('w', nullptr, nullptr, nullptr, &on, nullptr, &large[0],
                               static_cast<int32_t>(size), nullptr, 0);
    char prefix[8] = "";
    int32_t codeId = 0;
    setPrefix('r', nullptr, nullptr, nullptr, &codeId, nullptr, prefix, sizeof prefix, nullptr, 0);
    _exit(result == 0 && std::strcmp(prefix, "P") == 0 && codeId == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

bool IsLink(const std::string &path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool Exists(const std::string &path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

// SetActiveDevice switches the reader and returns 1 whatever becomes of its registry write.
void SwitchOff(const LoadedLibrary &library, int64_t *ms) {
  auto start = Clock::now();
  EXPECT_EQ(BCR_FN(library, SetActiveDevice)(0), 1);
  *ms = MsSince(start);
  EXPECT_EQ(BCR_FN(library, GetActiveDevice)(), 0);
  EXPECT_EQ(BCR_FN(library, SetActiveDevice)(7), 1);
}

const char kValueOn[] = "\"BarcodeUnderUsing\"=dword:00000001";

TEST_F(Limits, RegistryWriteLeavesAnythingButARegularFileAlone) {
  Init();
  const std::string fifo = scratch_.File("fifo.reg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // A device node of the test's own: a write that wrongly moved it aside must not move one of
  // the system's. /dev/null stands in only for a user who could not rename it.
  const std::string device = scratch_.File("device.reg");
  ASSERT_TRUE(mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0 ||
              (geteuid() != 0 && symlink("/dev/null", device.c_str()) == 0));
  const std::string folder = scratch_.File("folder.reg");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  for (const std::string &path : {fifo, device, folder}) {
    SCOPED_TRACE(path);
    setenv("BCREADER_REGISTRY", path.c_str(), 1);
    int64_t ms = 0;
    SwitchOff(library_, &ms);
    EXPECT_LT(ms, 1000);
    EXPECT_FALSE(Exists(path + ".bad"));
  }
  struct stat info;
  EXPECT_TRUE(stat(fifo.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
  EXPECT_TRUE(stat(device.c_str(), &info) == 0 && S_ISCHR(info.st_mode));
  EXPECT_TRUE(stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

TEST_F(Limits, RegistryFilesOfOtherFormsSizesAndPlaces) {
  Init();
  const std::string header = "Windows Registry Editor Version 5.00\n\n";
  // Larger than any registry file: set aside unread, as text that is not registry text.
  const std::string large = scratch_.File("large.reg");
  {
    std::string text = header + "[HKEY_LOCAL_MACHINE\\Big]\n";
    while (text.size() <= (1u << 20)) text += "; a comment line of the kind a file may hold\n";
    std::ofstream(large) << text;
  }
  // The registry editor's export: UTF-16LE with a byte-order mark and CR LF.
  const std::string wide = scratch_.File("wide.reg");
  {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Other]\r\n"
        "\"N\xC3\xA4me\"=dword:00000002\r\n";
    std::string bytes = "\xFF\xFE";
    for (size_t i = 0; i < text.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (c == 0xC3) {  // the one two-byte character above: U+00E4
        bytes += '\xE4';
        ++i;
      } else {
        bytes += static_cast<char>(c);
      }
      bytes += '\0';
    }
    std::ofstream(wide, std::ios::binary) << bytes;
  }
  // A link to a file in another folder: the file is replaced there and the link kept.
  const std::string elsewhere = scratch_.File("elsewhere");
  ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
  const std::string linked = scratch_.File("linked.reg");
  std::ofstream(elsewhere + "/target.reg") << header;
  ASSERT_EQ(symlink("elsewhere/target.reg", linked.c_str()), 0);

  for (const std::string &path : {large, wide, linked}) {
    setenv("BCREADER_REGISTRY", path.c_str(), 1);
    int64_t ms = 0;
    SwitchOff(library_, &ms);
  }
  EXPECT_TRUE(Exists(large + ".bad"));
  // Compared whole but not printed: the old text would flood the report.
  EXPECT_TRUE(ReadFile(large) ==
              header + "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\SerialBarcode]\n" + kValueOn + "\n");
  EXPECT_FALSE(Exists(wide + ".bad"));
  EXPECT_EQ(ReadFile(wide),
            header + "[HKEY_LOCAL_MACHINE\\Other]\n\"N\xC3\xA4me\"=dword:00000002\n\n" +
                "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\SerialBarcode]\n" + kValueOn + "\n");
  EXPECT_TRUE(IsLink(linked));
  EXPECT_NE(ReadFile(elsewhere + "/target.reg").find(kValueOn), std::string::npos);
  EXPECT_EQ(CountEntries(elsewhere.c_str()), 1);
}

// A link of another user's at the registry file's name, or after a link of the user's, is not
// followed: the file it leads to is neither replaced nor moved aside. Once the link is the
// user's own (root's here) it is followed again.
TEST_F(Limits, RegistryLinksOfOtherUsersAreNotFollowed) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a link to another user (lchown) needs root";
  Init();
  const std::string target = scratch_.File("someone_elses.reg");
  std::ofstream(target) << "not registry text";
  const std::string foreign = scratch_.File("foreign.reg");
  const std::string own = scratch_.File("own.reg");
  ASSERT_EQ(symlink(target.c_str(), foreign.c_str()), 0);
  ASSERT_EQ(lchown(foreign.c_str(), 65534, 65534), 0);
  ASSERT_EQ(symlink("foreign.reg", own.c_str()), 0);
  for (const std::string &path : {foreign, own}) {
    SCOPED_TRACE(path);
    setenv("BCREADER_REGISTRY", path.c_str(), 1);
    int64_t ms = 0;
    SwitchOff(library_, &ms);
    EXPECT_EQ(ReadFile(target), "not registry text");
    EXPECT_FALSE(Exists(target + ".bad"));
    EXPECT_TRUE(IsLink(path));
  }
  ASSERT_EQ(lchown(foreign.c_str(), 0, 0), 0);
  int64_t ms = 0;
  SwitchOff(library_, &ms);
  EXPECT_EQ(ReadFile(target + ".bad"), "not registry text");
  EXPECT_NE(ReadFile(target).find(kValueOn), std::string::npos);
}

// Another writer holds the file's lock far longer than a call may wait.
TEST_F(Limits, RegistryLockWaitIsBounded) {
  Init();
  const std::string path = scratch_.File("registry.reg");
  setenv("BCREADER_REGISTRY", path.c_str(), 1);
  int folder = open(scratch_.Path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  ASSERT_EQ(flock(folder, LOCK_EX), 0);
  std::thread release([folder] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    close(folder);
  });
  int64_t ms = 0;
  SwitchOff(library_, &ms);
  EXPECT_LT(ms, 1000);
  release.join();
  EXPECT_FALSE(Exists(path));
}

}  // namespace
}  // namespace bcr::test
