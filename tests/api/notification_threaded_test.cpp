// The good-read notification of delivered decodes: sound, LED and vibrator, seen through the
// sound sink's record and a system library that records its calls with timestamps.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

#include "sim/engine.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

struct Call {
  long long ms;
  std::string what;
};

std::vector<Call> Calls(const std::string &file) {
  std::vector<Call> calls;
  std::istringstream lines(ReadFile(file));
  std::string line;
  while (std::getline(lines, line)) {
    size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    std::string what = line.substr(space + 1);
    if (what == "GetSysInfo") continue;
    calls.push_back({std::stoll(line.substr(0, space)), what});
  }
  return calls;
}

class Notification : public SimReader {
 protected:
  void SetUp() override {
    Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1",
          {{"BCREADER_SYSLIB", LibDir() + "/libbrevald-record.so"},
           {"BREVALD_RECORD", Calls()},
           {"BCREADER_SOUND", "record:" + Sounds()}});
  }

  std::string Calls() const { return scratch_.File("system-library"); }
  std::string Sounds() const { return scratch_.File("sound"); }

  // One decode, read synchronously and delivered through the window like a triggered one.
  void Decode() {
    bcrsim::Decode decode;
    decode.data = {'4', '2'};
    engine_->OnStartDecode(decode);
    char buffer[16];
    ASSERT_EQ(BCR_FN(library_, ReadBarcodeData)(nullptr, buffer, sizeof buffer), 2);
    BCR_FN(library_, BcrDispatchMessages)(100);
  }
  void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  // Until the system library has been called count times (or 5 s passed).
  void AwaitCalls(size_t count) {
    PumpUntil([&] { return bcr::test::Calls(Calls()).size() >= count; }, 5000);
  }
};

TEST_F(Notification, AfterLoadADecodeOnlyBeeps) {
  Decode();
  PumpUntil([&] { return !ReadFile(Sounds()).empty(); }, 5000);
  EXPECT_EQ(Lines(ReadFile(Sounds())), std::vector<std::string>{"play 139264 \\Windows\\Hwandsw"});
  EXPECT_TRUE(bcr::test::Calls(Calls()).empty());
}

// Two vibrator units of 500 ms; an LED time below 400 ms, negative too, lights it for 400 ms.
TEST_F(Notification, VibratorAndLedRunTheirPeriods) {
  for (int32_t led : {100, -300}) {
    SCOPED_TRACE(led);
    std::remove(Calls().c_str());
    int32_t vibrate = 1;
    ASSERT_EQ(BCR_FN(library_, NotificationSettings)('w', nullptr, &vibrate, nullptr, &led), 1);
    Decode();
    AwaitCalls(4);
    std::vector<Call> calls = bcr::test::Calls(Calls());
    ASSERT_EQ(calls.size(), 4u);
    long long vibratorOn = -1, vibratorOff = -1, ledOn = -1, ledOff = -1;
    for (const Call &call : calls) {
      if (call.what == "SetVibratorPower 1") vibratorOn = call.ms;
      if (call.what == "SetVibratorPower 0") vibratorOff = call.ms;
      if (call.what == "SetLEDLight 1 1") ledOn = call.ms;
      if (call.what == "SetLEDLight 1 0") ledOff = call.ms;
    }
    ASSERT_TRUE(vibratorOn >= 0 && vibratorOff >= 0 && ledOn >= 0 && ledOff >= 0);
    // At least the period; a busy machine may end it late, never early.
    EXPECT_GE(vibratorOff - vibratorOn, 950);
    EXPECT_LT(vibratorOff - vibratorOn, 2000);
    EXPECT_GE(ledOff - ledOn, 350);
    EXPECT_LT(ledOff - ledOn, 1300);
  }
}

TEST_F(Notification, DecodesWithinOneLedPeriodAddOnePeriod) {
  int32_t led = 2500;
  ASSERT_EQ(BCR_FN(library_, NotificationSettings)('w', nullptr, nullptr, nullptr, &led), 1);
  for (int i = 0; i < 3; ++i) Decode();  // each costs at least the 100 ms wake pause
  Wait(5500);
  size_t periods = 0;
  for (const Call &call : bcr::test::Calls(Calls())) periods += call.what == "SetLEDLight 1 1";
  EXPECT_EQ(periods, 2u);
}

// The unload ends both periods at once, each by its own cancel. 8589935 vibrator units of 500 ms:
// a product that wrapped at 32 bits would end the vibration after about 200 ms.
TEST_F(Notification, UnloadingEndsTheLedAndVibratorPeriodsAtOnce) {
  int32_t vibrate = 1, units = 8589935, led = 10000;
  ASSERT_EQ(BCR_FN(library_, NotificationSettings)('w', nullptr, &vibrate, &units, &led), 1);
  Decode();
  AwaitCalls(2);
  EXPECT_EQ(bcr::test::Calls(Calls()).size(), 2u);  // both still on
  auto start = std::chrono::steady_clock::now();
  library_.Close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  std::vector<std::string> calls;
  for (const Call &call : bcr::test::Calls(Calls())) calls.push_back(call.what);
  std::sort(calls.begin(), calls.end());
  EXPECT_EQ(calls, (std::vector<std::string>{"SetLEDLight 1 0", "SetLEDLight 1 1",
                                             "SetVibratorPower 0", "SetVibratorPower 1"}));
}

}  // namespace
}  // namespace bcr::test
