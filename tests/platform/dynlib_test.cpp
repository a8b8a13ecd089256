// Loading the terminal system library by its terminal name, with the shipped libbrevald.so from
// the build's lib folder (the recording stand-in only shows that the setting is read anew).
#include "platform/dynlib.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace bcr::platform {
namespace {

const char kSystemLibrary[] = "\\Windows\\Brevald.dll";

using GetSysInfoFn = int (*)(void *);
using SetLEDLightFn = void (*)(int, int);
using SetVibratorPowerFn = void (*)(int);

std::string ExeFolder() {
  char buffer[PATH_MAX] = {};
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::filesystem::path(std::string(buffer, n)).parent_path().string() : ".";
}

// Where the build puts its libraries: tests/../lib.
std::string BuiltLibrary(const char *file) {
  return ExeFolder() + "/../lib/" + file;
}

std::string Slurp(const std::string &path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class SystemLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/bcr-dynlib-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    for (const char *name : {"BCREADER_SYSLIB", "BCREADER_ENGINE_KIND", "BCREADER_LED",
                             "BCREADER_VIBRATOR", "BREVALD_RECORD"}) {
      unsetenv(name);
    }
  }
  void TearDown() override {
    if (library_ != nullptr) LibraryFree(library_);
    std::filesystem::remove_all(folder_);
  }
  Library *Load(const char *file) {
    setenv("BCREADER_SYSLIB", BuiltLibrary(file).c_str(), 1);
    library_ = LibraryLoad(kSystemLibrary);
    return library_;
  }

  std::string folder_;
  Library *library_ = nullptr;
};

TEST_F(SystemLibrary, TerminalNamesMapToSharedObjects) {
  std::string beside = ExeFolder();  // this code is linked into the test program
  EXPECT_EQ(LibraryPath(kSystemLibrary), beside + "/libbrevald.so");
  EXPECT_EQ(LibraryPath("\\WINDOWS\\BREVALD.DLL"), beside + "/libbrevald.so");
  EXPECT_EQ(LibraryPath("\\Windows\\Coredll.dll"), beside + "/libcoredll.so");
  EXPECT_EQ(LibraryPath("/opt/x/libfoo.so"), "/opt/x/libfoo.so");
  EXPECT_EQ(LibraryPath("Brevald.dll"), "");
  EXPECT_EQ(LibraryPath(""), "");
  setenv("BCREADER_SYSLIB", "/somewhere/libother.so", 1);
  EXPECT_EQ(LibraryPath(kSystemLibrary), "/somewhere/libother.so");
  EXPECT_EQ(LibraryPath("\\Windows\\Coredll.dll"), beside + "/libcoredll.so");
}

TEST_F(SystemLibrary, ShippedLibraryAnswersTheEngineKindAndDrivesLedAndVibratorFiles) {
  ASSERT_NE(Load("libbrevald.so"), nullptr) << BuiltLibrary("libbrevald.so");
  auto getSysInfo = reinterpret_cast<GetSysInfoFn>(LibrarySymbol(library_, "GetSysInfo"));
  auto setLed = reinterpret_cast<SetLEDLightFn>(LibrarySymbol(library_, "SetLEDLight"));
  auto setVibrator =
      reinterpret_cast<SetVibratorPowerFn>(LibrarySymbol(library_, "SetVibratorPower"));
  ASSERT_TRUE(getSysInfo != nullptr && setLed != nullptr && setVibrator != nullptr);

  unsigned char block[512] = {};
  unsigned char expected[512] = {};
  expected[32] = '3';
  setenv("BCREADER_ENGINE_KIND", "3x", 1);
  EXPECT_EQ(getSysInfo(block), 0);
  EXPECT_EQ(std::string(block, block + 512), std::string(expected, expected + 512));
  unsetenv("BCREADER_ENGINE_KIND");
  EXPECT_EQ(getSysInfo(block), 0);
  EXPECT_EQ(block[32], 0);

  setLed(1, 1);  // not driven: no file named
  EXPECT_TRUE(std::filesystem::is_empty(folder_));
  std::string led = folder_ + "/brightness";
  std::string vibrator = folder_ + "/vibrator";
  setenv("BCREADER_LED", led.c_str(), 1);
  setenv("BCREADER_VIBRATOR", vibrator.c_str(), 1);
  for (int on : {1, 0}) {
    setLed(1, on);
    setVibrator(on);
    EXPECT_EQ(Slurp(led) + Slurp(vibrator), std::to_string(on) + "\n" + std::to_string(on) + "\n");
  }
  unsetenv("BCREADER_LED");
  unsetenv("BCREADER_VIBRATOR");
}

}  // namespace
}  // namespace bcr::platform
