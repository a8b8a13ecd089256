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

TEST_F(RegistryFile, RewriteChangesTheValueInPlace) {
  ASSERT_TRUE(Write(1));
  ASSERT_TRUE(Write(0));
  ASSERT_TRUE(Write(0xDEADBEEF));
  EXPECT_EQ(Slurp(path_),
            std::string(kHeader) + kKeyLine + "\"BarcodeUnderUsing\"=dword:deadbeef\n");
}

TEST_F(RegistryFile, OtherKeysValuesAndCommentsAreKept) {
  const std::string otherKey = std::string(kHeader) +
                               "; written by hand\n"
                               "[HKEY_CURRENT_USER\\Software\\Other]\n"
                               "\"Blob\"=hex:01,02,03,\\\n"
                               "  04,05\n"
                               "\n";
  const std::string ourKey = std::string(kKeyLine) + "\"Port\"=\"COM2:\"\n";
  const std::string lastKey =
      "\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\Keypad]\n"
      "\"BarcodeUnderUsing\"=dword:00000005\n";
  Prepare(otherKey + ourKey + lastKey);
  ASSERT_TRUE(Write(1));
  EXPECT_EQ(Slurp(path_), otherKey + ourKey + "\"BarcodeUnderUsing\"=dword:00000001\n" + lastKey);

  uint32_t other = 0;
  EXPECT_TRUE(RegistryReadDword(kRegistryLocalMachine, "Drivers\\BuiltIn\\Keypad", kValue, &other));
  EXPECT_EQ(other, 5u);
}

TEST_F(RegistryFile, ByteOrderMarkAndCrLfAreReadAsRegText) {
  const std::string head =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\SerialBarcode]\r\n";
  Prepare(head + "\"BarcodeUnderUsing\"=dword:00000001\r\n");
  ASSERT_TRUE(Write(0));
  EXPECT_FALSE(std::filesystem::exists(path_ + ".bad"));
  EXPECT_EQ(Slurp(path_), head + "\"BarcodeUnderUsing\"=dword:00000000\r\n");
}

TEST_F(RegistryFile, KeyAndValueMatchWithoutRegardToCase) {
  Prepare(std::string(kHeader) +
          "[hkey_local_machine\\DRIVERS\\builtin\\serialbarcode]\n"
          "\"barcodeunderusing\"=dword:00000001\n");
  ASSERT_TRUE(Write(0));
  EXPECT_EQ(Slurp(path_), std::string(kHeader) +
                              "[hkey_local_machine\\DRIVERS\\builtin\\serialbarcode]\n"
                              "\"BarcodeUnderUsing\"=dword:00000000\n");
}

TEST_F(RegistryFile, NewKeyIsAppendedAfterABlankLine) {
  Prepare(std::string(kHeader) + "[HKEY_USERS\\x]\n\"a\"=dword:00000002");  // no final LF
  ASSERT_TRUE(Write(1));
  EXPECT_EQ(Slurp(path_), std::string(kHeader) + "[HKEY_USERS\\x]\n\"a\"=dword:00000002\n\n" +
                              kKeyLine + "\"BarcodeUnderUsing\"=dword:00000001\n");
}

TEST_F(RegistryFile, UnreadableFileIsKeptAsBadAndANewOneWritten) {
  const std::string cases[] = {
      std::string("\x00\x01\x02garbage\xff", 11),
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\x]\n",
      std::string(kHeader) + "\"Orphan\"=dword:00000001\n",  // a value outside any key
      std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\x]\nnot a value line\n",
      std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\x]\n\"a\"=\"\xC3\x28\"\n",  // not UTF-8
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
  // Nothing but the file in its folder: no temporary left over.
  int entries = 0;
  for (const auto &entry :
       std::filesystem::directory_iterator(std::filesystem::path(path_).parent_path())) {
    EXPECT_EQ(entry.path(), path_);
    ++entries;
  }
  EXPECT_EQ(entries, 1);
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

}  // namespace
}  // namespace bcr::platform
