// The continuous trigger modes end to end, with the real decode and auto-trigger workers: a
// user-preference write of the continuous mode makes the reader collect decodes without trigger
// presses, a write of another mode stops it, and an option call gets the port between such
// receptions.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "config/handlers.h"
#include "config/param_handler.h"
#include "config/preferences.h"
#include "decode/reception.h"
#include "platform/clock.h"
#include "reader/auto_trigger.h"
#include "reader/globals.h"
#include "reader/lifecycle.h"
#include "reader/window_proc.h"
#include "sim_engine_fixture.h"
#include "state/library_state.h"
#include "state/published_decode.h"
#include "state/settings.h"
#include "state/workers.h"

namespace bcr {
namespace {

using test::Bytes;

int32_t *const n = nullptr;

const Bytes kDecodeAck = {0x04, 0xD0, 0x04, 0x00, 0xFF, 0x28};
// Long enough for the last reception a switch-off may still have released (500 ms each).
constexpr uint32_t kSettle = 1500;
constexpr int kDeliveryWait = 4000;

class Continuous : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string prefix = "bcrcfg" + std::to_string(getpid());
    setenv("BCREADER_EVENT_PREFIX", prefix.c_str(), 1);
    ProcessAttach(nullptr);
    // Receptions of 500 ms.
    CurrentSettings().decodeTimeout = 0;
  }

  void TearDown() override {
    ProcessDetach();
    TheReader().link.Close();
  }

  // The process's reader on a simulated engine, as after InitReader, with its engine workers.
  void StartReader(bcrsim::Kind kind) {
    sim_ = (kind == bcrsim::Kind::SE955 ? bcrsim::Engine::SE955() : bcrsim::Engine::Imager4507())
               .Speed(test::kSimSpeed)
               .Start();
    ASSERT_NE(sim_, nullptr);
    ASSERT_TRUE(test::OpenOnSim(TheReader(), *sim_));
    TheReader().SetActive(1);
    State().readerInitialised = 1;
    StartWorker(State(), kDecodeWorker, DecodeThread, &Globals());
    StartWorker(State(), kAutoTriggerWorker, AutoTriggerThread, &Globals());
  }

  size_t DecodeAcks() const {
    size_t acks = 0;
    for (const Bytes &frame : sim_->Frames()) acks += frame == kDecodeAck ? 1 : 0;
    return acks;
  }

  // Sends a decode and waits until it is published and acknowledged.
  bool Delivered(const std::string &data, int waitMs) {
    const size_t acksBefore = DecodeAcks();
    bcrsim::Decode decode;
    decode.data.assign(data.begin(), data.end());
    sim_->SendDecode(decode);
    const uint64_t end = platform::NowMs() + static_cast<uint64_t>(waitMs);
    while (platform::NowMs() < end) {
      if (test::ToBytes(LastDecodeData()) == decode.data && DecodeAcks() > acksBefore) return true;
      platform::Sleep(20);
    }
    return false;
  }

  std::unique_ptr<bcrsim::Engine> sim_;
};

TEST_F(Continuous, ImagerModeSevenReadsWithoutTriggerUntilAnotherModeIsWritten) {
  StartReader(bcrsim::Kind::Imager4507);
  int32_t mode = 7;
  ASSERT_EQ(UserPreferences4507(TheReader(), 'w', n, n, &mode), 1);
  EXPECT_TRUE(InContinuousMode(TheReader()));  // the window procedure ignores trigger presses now
  EXPECT_TRUE(Delivered("first", kDeliveryWait));
  EXPECT_TRUE(Delivered("second", kDeliveryWait));

  mode = 8;
  ASSERT_EQ(UserPreferences4507(TheReader(), 'w', n, n, &mode), 1);
  EXPECT_FALSE(InContinuousMode(TheReader()));
  platform::Sleep(kSettle);
  EXPECT_FALSE(Delivered("waiting", static_cast<int>(kSettle)));
  EXPECT_EQ(test::ToBytes(LastDecodeData()), test::Bytes({'s', 'e', 'c', 'o', 'n', 'd'}));

  // A trigger press counts again; the decode that waited is not its scan and is read away.
  const uint32_t discards = TheReader().link.Decodes().StaleDiscards();
  ReaderWindowProc(nullptr, State().messages.user1Down, 0, 0);  // a trigger press
  const uint64_t end = platform::NowMs() + kDeliveryWait;
  while (TheReader().link.Decodes().StaleDiscards() == discards && platform::NowMs() < end) {
    platform::Sleep(5);
  }
  EXPECT_EQ(TheReader().link.Decodes().StaleDiscards(), discards + 1);
  EXPECT_TRUE(Delivered("pressed", kDeliveryWait));
}

// An option call in a continuous mode is written and answered while a reception waits (receptions
// take no exchange lock), and the reception under way still takes the next decode.
TEST_F(Continuous, OptionCallIsAnsweredWhileAReceptionWaits) {
  StartReader(bcrsim::Kind::SE955);
  CurrentSettings().decodeTimeout = 5;  // receptions of 5 s
  int32_t mode = 4;
  ASSERT_EQ(UserPreferencesSE955(TheReader(), 'w', n, n, n, n, n, n, &mode), 1);
  // The reception that took this decode is over; the next one waits.
  ASSERT_TRUE(Delivered("before", 8000));
  sim_->ClearRecord();
  int32_t enable = 0;
  EXPECT_EQ(CallHandler(Code93Param(), TheReader(), 'w', {&enable, nullptr, nullptr}), 1);
  EXPECT_EQ(sim_->Param(0x09), 0u);
  CurrentSettings().decodeTimeout = 0;
  EXPECT_TRUE(Delivered("still-reading", 8000));
  EXPECT_FALSE(TheReader().link.Decoding());  // no start-decode command on this road
}

}  // namespace
}  // namespace bcr
