// The registry value in its .reg file: exact content, other keys kept, damaged files set aside,
// atomic replacement.
#include "platform/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/registry_folder.h"

namespace bcr::platform {
namespace {

const char kSubkey[] = "Drivers\\BuiltIn\\SerialBarcode";
const char kValue[] = "BarcodeUnderUsing";
const char kHeader[] = "Windows Registry Editor Version 5.00\n\n";
const char kKeyLine[] = "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\SerialBarcode]\n";

std::string Slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void Spit(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/bcr-registry-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    path_ = folder_ + "/state/bcreader/registry.reg";  // folders that do not exist yet
    setenv("BCREADER_REGISTRY", path_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("BCREADER_REGISTRY");
    std::filesystem::remove_all(folder_);
  }
  bool Write(uint32_t data) {
    return RegistryWriteDword(kRegistryLocalMachine, kSubkey, kValue, data);
  }
  // Puts text in the file before the first write.
  void Prepare(const std::string &text) {
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
    Spit(path_, text);
  }

  std::string folder_;
  std::string path_;
};

TEST_F(RegistryFile, FirstWriteCreatesFoldersAndFileInRegFormat) {
  EXPECT_EQ(RegistryFilePath(), path_);
  ASSERT_TRUE(Write(1));
  EXPECT_EQ(Slurp(path_),
            std::string(kHeader) + kKeyLine + "\"BarcodeUnderUsing\"=dword:00000001\n");
  uint32_t data = 7;
  EXPECT_TRUE(RegistryReadDword(kRegistryLocalMachine, kSubkey, kValue, &data));
  EXPECT_EQ(data, 1u);
}

// What a write of 1 (then 0xDEADBEEF) makes of a file that held the given text: our value changed
// in place, everything else kept as it was written.
TEST_F(RegistryFile, WritesChangeOnlyTheirValueAndKeepTheRestOfTheText) {
  const std::string head =
      std::string(kHeader) + "; written by hand\n" + "[HKEY_CURRENT_USER\\Software\\Other]\n" +
      "\"Blob\"=hex:01,02,03,\\\n  04,05\n\n" + kKeyLine + "\"Port\"=\"COM2:\"\n";
  const std::string tail =
      "\n[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\Keypad]\n\"BarcodeUnderUsing\"=dword:00000005\n";
  const std::string crlf =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\SerialBarcode]\r\n";
  const std::string lower =
      std::string(kHeader) + "[hkey_local_machine\\DRIVERS\\builtin\\serialbarcode]\n";
  // Ends in a character of three bytes, and no line feed.
  const std::string other =
      std::string(kHeader) + "[HKEY_USERS\\x]\n\"a\"=\"\xC3\xA9\"\n; \xE2\x82\xAC";
  const struct {
    std::string before, after;
  } cases[] = {
      {other, other + "\n\n" + kKeyLine + "\"BarcodeUnderUsing\"=dword:00000001\n"},
      {crlf + "\"BarcodeUnderUsing\"=dword:00000000\r\n",
       crlf + "\"BarcodeUnderUsing\"=dword:00000001\r\n"},
      {lower + "\"barcodeunderusing\"=dword:00000000\n",
       lower + "\"BarcodeUnderUsing\"=dword:00000001\n"},
      {head + tail, head + "\"BarcodeUnderUsing\"=dword:00000001\n" + tail},
      {head + "\"BarcodeUnderUsing\"=dword:00000000\n" + tail,
       head + "\"BarcodeUnderUsing\"=dword:00000001\n" + tail},
  };
  for (const auto &c : cases) {
    Prepare(c.before);
    ASSERT_TRUE(Write(1));
    EXPECT_FALSE(std::filesystem::exists(path_ + ".bad")) << c.before;
    EXPECT_EQ(Slurp(path_), c.after);
  }
  ASSERT_TRUE(Write(0xDEADBEEF));
  EXPECT_EQ(Slurp(path_), head + "\"BarcodeUnderUsing\"=dword:deadbeef\n" + tail);
  uint32_t keypad = 0;
  EXPECT_TRUE(
      RegistryReadDword(kRegistryLocalMachine, "Drivers\\BuiltIn\\Keypad", kValue, &keypad));
  EXPECT_EQ(keypad, 5u);
}

TEST_F(RegistryFile, UnreadableFileIsKeptAsBadAndANewOneWritten) {
  const std::string cases[] = {
      std::string("\x00\x01\x02garbage\xff", 11),
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\x]\n",
      std::string(kHeader) + "\"Orphan\"=dword:00000001\n",  // a value outside any key
      std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\x]\nnot a value line\n",
      std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\x]\n\"a\"=\"\xC3\x28\"\n",  // not UTF-8
      std::string(kHeader) + "; \xE2\x82",                                     // cut at the end
      "",
  };
  for (const std::string &damaged : cases) {
    Prepare(damaged);
    ASSERT_TRUE(Write(1));
    EXPECT_EQ(Slurp(path_ + ".bad"), damaged);
    EXPECT_EQ(Slurp(path_),
              std::string(kHeader) + kKeyLine + "\"BarcodeUnderUsing\"=dword:00000001\n");
  }
}

TEST_F(RegistryFile, FileIsReplacedNotRewrittenAndModeKept) {
  ASSERT_TRUE(Write(1));
  chmod(path_.c_str(), 0600);
  // A reader that has the old file open keeps seeing it whole.
  int old = open(path_.c_str(), O_RDONLY);
  ASSERT_GE(old, 0);
  ASSERT_TRUE(Write(0));
  char buffer[256] = {};
  ssize_t n = pread(old, buffer, sizeof buffer - 1, 0);
  close(old);
  ASSERT_GT(n, 0);
  EXPECT_NE(std::string(buffer).find("dword:00000001"), std::string::npos);

  struct stat info;
  ASSERT_EQ(stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(RegistryFile, FailedWritesLeaveNoFile) {
  EXPECT_FALSE(RegistryWriteDword(0x12345678, kSubkey, kValue, 1));
  EXPECT_FALSE(RegistryWriteDword(kRegistryLocalMachine, kSubkey, "", 1));
  EXPECT_FALSE(std::filesystem::exists(path_));

  Spit(folder_ + "/plain", "x");
  setenv("BCREADER_REGISTRY", (folder_ + "/plain/registry.reg").c_str(), 1);
  EXPECT_FALSE(Write(1));  // a file where a folder should be

  uint32_t data = 0;
  EXPECT_FALSE(RegistryReadDword(kRegistryLocalMachine, kSubkey, kValue, &data));
}

TEST_F(RegistryFile, OnlyAFolderThatCanBeReachedIsTakenAsWritable) {
  Spit(folder_ + "/plain", "x");
  ASSERT_EQ(symlink("loop", (folder_ + "/loop").c_str()), 0);
  const struct {
    std::string file;
    bool writable;
  } cases[] = {
      {folder_ + "/registry.reg", true},
      {folder_ + "/not/yet/registry.reg", true},
      {folder_ + "/plain/registry.reg", false},  // a file where a folder should be
      {folder_ + "/loop/registry.reg", false},   // a loop of links
      {folder_ + "/loop/below/registry.reg", false},
      {folder_ + "/" + std::string(300, 'x') + "/a/registry.reg", false},  // a name too long
  };
  for (const auto &c : cases) EXPECT_EQ(FolderWritable(c.file), c.writable) << c.file;
}

}  // namespace
}  // namespace bcr::platform
