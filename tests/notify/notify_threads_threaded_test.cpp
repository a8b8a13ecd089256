// The good-read workers on their own threads, woken as the window procedure wakes them after a
// decode, with the LED and vibrator going to the recording system library (its lines carry a
// millisecond time) and the sound to a record file.
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "notify/notify_threads.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "reader/globals.h"
#include "reader/lifecycle.h"
#include "reader/system_library.h"
#include "state/library_state.h"
#include "state/scan_engine.h"
#include "state/settings.h"
#include "state/workers.h"

namespace bcr {
namespace {

constexpr const char *kLedOn = "SetLEDLight 1 1";
constexpr const char *kLedOff = "SetLEDLight 1 0";
constexpr const char *kVibratorOn = "SetVibratorPower 1";
constexpr const char *kVibratorOff = "SetVibratorPower 0";

// The files of this process (the sound sink is chosen once per process).
std::string FileOf(const char *what) {
  return "/tmp/bcr-notify-threads-" + std::to_string(getpid()) + "." + what;
}

std::vector<std::string> LinesOf(const char *what) {
  std::vector<std::string> lines;
  std::ifstream in(FileOf(what));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The times of the system-library calls of that text.
std::vector<uint64_t> CallTimes(const std::string &text) {
  std::vector<uint64_t> times;
  for (const std::string &line : LinesOf("brevald")) {
    size_t space = line.find(' ');
    if (line.substr(space + 1) == text) times.push_back(std::stoull(line.substr(0, space)));
  }
  return times;
}

// Waits up to limitMs for at least count calls of that text.
std::vector<uint64_t> AwaitCalls(const std::string &text, size_t count, uint64_t limitMs = 5000) {
  uint64_t end = platform::NowMs() + limitMs;
  while (CallTimes(text).size() < count && platform::NowMs() < end) platform::Sleep(5);
  return CallTimes(text);
}

class NotifyThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(FileOf("brevald").c_str());
    std::remove(FileOf("sound").c_str());
    setenv("BREVALD_RECORD", FileOf("brevald").c_str(), 1);
    setenv("BCREADER_SOUND", ("record:" + FileOf("sound")).c_str(), 1);
    char exe[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    std::string tests = std::string(exe).substr(0, std::string(exe).rfind('/'));
    std::string syslib = tests + "/../lib/libbrevald-record.so";
    ASSERT_EQ(access(syslib.c_str(), R_OK), 0) << syslib << " missing: build brevald-record";
    setenv("BCREADER_SYSLIB", syslib.c_str(), 1);

    ForgetLoadState();
    ProcessAttach(nullptr);
    ScanEngine &engine = TheReader();
    for (platform::Semaphore *cancel : {engine.ledCancel, engine.vibratorCancel}) {
      while (platform::SemaphoreWait(cancel, 0) == platform::WaitResult::kSignalled) {
      }
    }
    ASSERT_EQ(LoadSystemLibrary(engine), 1);
    StartWorker(State(), kVibrateWorker, VibrateThread, &Globals());
    StartWorker(State(), kLedWorker, LedThread, &Globals());
    StartWorker(State(), kBeepWorker, BeepThread, &Globals());
  }

  void TearDown() override {
    if (!detached_) ProcessDetach();
    std::remove(FileOf("brevald").c_str());
    std::remove(FileOf("sound").c_str());
  }

  // What the window procedure does after a decode.
  static void GoodRead() {
    WakeWorker(State(), kVibrateWorker);
    WakeWorker(State(), kLedWorker);
    WakeWorker(State(), kBeepWorker);
  }

  bool detached_ = false;
};

// A negative time lights the LED for the shortest time, 400 ms, as a time below it does.
TEST_F(NotifyThreads, ANegativeLedTimeLightsTheLedForTheShortestTime) {
  CurrentSettings().ledDuration = -300;
  CurrentSettings().goodReadSound = 0;  // silent
  GoodRead();
  std::vector<uint64_t> ledOff = AwaitCalls(kLedOff, 1);
  std::vector<uint64_t> ledOn = CallTimes(kLedOn);
  ASSERT_EQ(ledOn.size(), 1u);
  ASSERT_EQ(ledOff.size(), 1u);
  EXPECT_GE(ledOff[0] - ledOn[0], 390u);
  EXPECT_LT(ledOff[0] - ledOn[0], 2500u);
  EXPECT_EQ(LinesOf("sound"), std::vector<std::string>{});
  EXPECT_TRUE(CallTimes(kVibratorOn).empty());  // off unless enabled
}

TEST_F(NotifyThreads, ReleasingACancelSemaphoreEndsItsPeriodAtOnce) {
  CurrentSettings().ledDuration = 8000;
  // 8589935 units of 500 ms: a product that wraps at 32 bits would end after about 200 ms.
  CurrentSettings().vibrateEnabled = 1;
  CurrentSettings().vibrateUnits = 8589935;
  GoodRead();
  std::vector<uint64_t> ledOn = AwaitCalls(kLedOn, 1);
  ASSERT_EQ(AwaitCalls(kVibratorOn, 1).size(), 1u);
  ASSERT_EQ(ledOn.size(), 1u);
  platform::SemaphoreRelease(TheReader().ledCancel, 1);
  std::vector<uint64_t> ledOff = AwaitCalls(kLedOff, 1, 4000);
  ASSERT_EQ(ledOff.size(), 1u);
  EXPECT_LT(ledOff[0] - ledOn[0], 4000u);
  platform::Sleep(500);
  EXPECT_EQ(CallTimes(kVibratorOff).size(), 0u);
  platform::SemaphoreRelease(TheReader().vibratorCancel, 1);
  EXPECT_EQ(AwaitCalls(kVibratorOff, 1).size(), 1u);
}

TEST_F(NotifyThreads, DetachEndsRunningPeriodsAndTheWorkers) {
  CurrentSettings().vibrateEnabled = 1;
  CurrentSettings().vibrateUnits = 20;   // 10 s
  CurrentSettings().ledDuration = 9000;  // 9 s
  GoodRead();
  ASSERT_EQ(AwaitCalls(kLedOn, 1).size(), 1u);
  ASSERT_EQ(AwaitCalls(kVibratorOn, 1).size(), 1u);
  uint64_t start = platform::NowMs();
  ProcessDetach();
  detached_ = true;
  EXPECT_LT(platform::NowMs() - start, 5000u);
  EXPECT_EQ(CallTimes(kLedOff).size(), 1u);
  EXPECT_EQ(CallTimes(kVibratorOff).size(), 1u);
  for (Worker worker : {kVibrateWorker, kLedWorker, kBeepWorker}) {
    EXPECT_EQ(State().workers[worker].thread.load(), nullptr) << worker;
  }
}

}  // namespace
}  // namespace bcr
