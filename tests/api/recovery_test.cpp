// The engine goes away and comes back: the library notices, finds it again by itself, gives it
// back what the application set and tells the application, while every call stays bounded.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "sim/engine.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

using Bytes = std::vector<uint8_t>;
// What the library sends an SE955 found at 9600 and the settings the application wrote: the
// move to 38400, Code 39 off with minimum length 6, then the decode time-out (3 s).
const Bytes kSpeedChange = {0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x08, 0xFD, 0x84};
const Bytes kCode39Write = {0x09, 0xC6, 0x04, 0x08, 0xFF, 0x00, 0x00, 0x12, 0x06, 0xFE, 0x0E};
const Bytes kTimeoutWrite = {0x07, 0xC6, 0x04, 0x08, 0xFF, 0x88, 0x1E, 0xFD, 0x82};

// Bounds: an exported call while the engine is away, and the whole recovery after the engine is
// there again (the README documents a few seconds; these are generous for a loaded machine).
constexpr int kAwayCallMs = 1500;
constexpr int kRecoveryMs = 20000;

struct Seen {
  uint32_t decodeData = 0;
  uint32_t readerState = 0;
  int decodes = 0;
  std::vector<intptr_t> states;
  std::vector<uintptr_t> stateWParams;
};
Seen seen;

intptr_t TestWindowProc(BcrWindow, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  if (msg == seen.decodeData) ++seen.decodes;
  if (msg == seen.readerState) {
    seen.states.push_back(lParam);
    seen.stateWParams.push_back(wParam);
  }
  return 0;
}

std::set<std::string> OpenDescriptors() {
  std::set<std::string> open;
  if (DIR *dir = opendir("/proc/self/fd")) {
    while (dirent *entry = readdir(dir)) {
      char target[512] = {};
      std::string path = std::string("/proc/self/fd/") + entry->d_name;
      // The listing's own descriptor is left out.
      if (entry->d_name[0] != '.' && readlink(path.c_str(), target, sizeof target - 1) > 0 &&
          std::string(target).rfind("/proc/", 0) != 0) {
        open.insert(std::string(entry->d_name) + " " + target);
      }
    }
    closedir(dir);
  }
  return open;
}

class Recovery : public SimReader {
 protected:
  void Start() {
    auto engine = bcrsim::Engine::SE955().Speed(38400).Link(scratch_.File("com2")).Start();
    threadsBefore_ = ThreadCount();
    fdsBefore_ = OpenDescriptors();
    // The library opens the link, which follows the engine when it is plugged in again.
    SimReader::Start(std::move(engine), "1", {{"BCREADER_COM2", scratch_.File("com2")}});
    ASSERT_FALSE(HasFatalFailure());
    seen = Seen();
    seen.decodeData = BCR_FN(library_, BcrRegisterWindowMessage)("WM_DECODEDATA");
    seen.readerState = BCR_FN(library_, BcrRegisterWindowMessage)("WM_READERSTATE");
    ASSERT_NE(BCR_FN(library_, BcrCreateWindow)("RecoveryTest", TestWindowProc), nullptr);
  }

  // A scan: the key pressed, then the engine's decode; true when it was delivered.
  bool TriggeredDecode(const std::string &text) {
    const int before = seen.decodes;
    Press();
    Pump(300);
    engine_->SendDecode(Decoding(text, 0x03));
    return PumpUntil([before] { return seen.decodes > before; }, 5000) && DecodeData() == text;
  }
  int32_t WriteCode39() {
    int32_t off = 0, minimum = 6;
    return BCR_FN(library_, Code39_1D_SE955)('w', &off, nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, &minimum, nullptr);
  }
  int32_t ReadCode39() {
    int32_t enable = -1;
    return BCR_FN(library_, Code39_1D_SE955)('r', &enable, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, nullptr, nullptr, nullptr);
  }

  // A power blip while the user only scans: the engine is back at 9600 under a port at 38400,
  // so its scans arrive as what a UART at the wrong speed makes of them. The library notices
  // from the line alone and finds the engine again; the scans after that are delivered without
  // any call of the application.
  void ScanThroughPowerBlip(bool continuous) {
    Start();
    ASSERT_FALSE(HasFatalFailure());
    if (continuous) {
      int32_t mode = 4;
      ASSERT_EQ(BCR_FN(library_, UserPreferences_1D_SE955)('w', nullptr, nullptr, nullptr, nullptr,
                                                           nullptr, nullptr, &mode),
                1);
    }
    engine_->PowerCycle(200);
    ASSERT_TRUE(engine_->WaitPoweredOn(3000));
    const auto first = std::chrono::steady_clock::now();
    bool delivered = false;
    for (int scan = 0; scan < 12 && !delivered; ++scan) {
      const std::string text = "blip" + std::to_string(scan);
      const int before = seen.decodes;
      if (!continuous) Press();
      Pump(300);
      engine_->SendDecode(Decoding(text, 0x03));
      delivered =
          PumpUntil([before] { return seen.decodes > before; }, 1500) && DecodeData() == text;
    }
    EXPECT_TRUE(delivered);
    EXPECT_LT(std::chrono::steady_clock::now() - first, std::chrono::milliseconds(kRecoveryMs));
    EXPECT_EQ(seen.states, (std::vector<intptr_t>{0, 1}));
    EXPECT_EQ(engine_->Speed(), 38400u);
  }

  int threadsBefore_ = 0;
  std::set<std::string> fdsBefore_;  // before the library opened the engine's port
};

// How the engine goes away, and how the library comes to notice it.
struct Outage {
  const char *name;
  std::function<void(bcrsim::Engine &)> begin;
  bool noticedByScanKey;  // a hang-up, found by the next reception; else by two failed reads
  int32_t timeout = 0;    // the decode timeout written before (0: the library's own)
  std::vector<Bytes> restored = {kSpeedChange, kCode39Write, kTimeoutWrite};  // the last frames
};

class Outages : public Recovery, public ::testing::WithParamInterface<Outage> {
 protected:
  // The engine goes away and the library notices: true when "lost" came.
  bool LoseEngine() {
    GetParam().begin(*engine_);
    engine_->ClearRecord();
    if (GetParam().noticedByScanKey) {
      Press();
    } else {
      for (int i = 0; i < 2; ++i) EXPECT_EQ(Read(), 0);
    }
    return PumpUntil([] { return !seen.states.empty(); }, 5000);
  }
};

TEST_P(Outages, DecodesResumeWithTheWrittenSettingsAndOneLostOneBack) {
  Start();
  ASSERT_EQ(WriteCode39(), 1);
  if (int32_t timeout = GetParam().timeout; timeout != 0) {
    ASSERT_EQ(BCR_FN(library_, UserPreferences_1D_SE955)('w', &timeout, nullptr, nullptr, nullptr,
                                                         nullptr, nullptr, nullptr),
              1);
  }
  ASSERT_TRUE(TriggeredDecode("BEFORE"));
  ASSERT_TRUE(LoseEngine());

  // While the engine is away every call that needs it returns its failure at once.
  char version[64];
  const std::vector<std::tuple<const char *, int32_t, std::function<int32_t()>>> calls = {
      {"InitReader", -111, [this] { return BCR_FN(library_, InitReader)(); }},
      {"ReadBarcodeData", 0, [this] { return Read(); }},
      {"Code39 read", 0, [this] { return ReadCode39(); }},
      {"GetDecoderVersion", 0, [&] { return BCR_FN(library_, GetDecoderVersion)(7, version, 64); }},
  };
  for (const auto &[name, failure, call] : calls) {
    auto start = Clock::now();
    EXPECT_EQ(call(), failure) << name;
    EXPECT_LT(MsSince(start), kAwayCallMs) << name;
  }

  ASSERT_TRUE(PumpUntil([] { return seen.states.size() >= 2; }, kRecoveryMs));
  Pump(300);
  EXPECT_EQ(seen.states, (std::vector<intptr_t>{0, 1}));
  EXPECT_EQ(seen.stateWParams, (std::vector<uintptr_t>{7, 7}));
  std::vector<Bytes> frames = engine_->Frames();
  const std::vector<Bytes> &restored = GetParam().restored;
  ASSERT_GE(frames.size(), restored.size());
  EXPECT_EQ(std::vector<Bytes>(frames.end() - restored.size(), frames.end()), restored);
  EXPECT_EQ(engine_->Param(0x00), 0u);
  EXPECT_EQ(engine_->Param(0x12), 6u);
  EXPECT_EQ(engine_->Speed(), 38400u);

  // No call from the application: the next scans are delivered.
  EXPECT_TRUE(TriggeredDecode("AFTER"));
  EXPECT_EQ(ReadCode39(), 1);
  EXPECT_EQ(BCR_FN(library_, InitReader)(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, Outages,
    ::testing::Values(Outage{"BackAt9600", [](bcrsim::Engine &e) { e.SetSpeed(9600); }, false},
                      Outage{"PowerCycle", [](bcrsim::Engine &e) { e.PowerCycle(500); }, false},
                      Outage{"Replug", [](bcrsim::Engine &e) { e.Replug(500); }, true},
                      Outage{"HangUpFor10s", [](bcrsim::Engine &e) { e.Replug(10000); }, true},
                      // Tries that find the port but no engine, then the shortest timeout.
                      Outage{"PowerOffFor8s",
                             [](bcrsim::Engine &e) { e.PowerCycle(8000); },
                             false,
                             1,
                             {kSpeedChange,
                              kCode39Write,
                              {0x07, 0xC6, 0x04, 0x08, 0xFF, 0x89, 0x00, 0xFD, 0x9F},
                              {0x07, 0xC6, 0x04, 0x08, 0xFF, 0x88, 0x01, 0xFD, 0x9F}}}),
    [](const ::testing::TestParamInfo<Outage> &outage) { return std::string(outage.param.name); });

TEST_F(Recovery, PowerBlipWhileTheUserPressesIsFoundFromTheLine) {
  ScanThroughPowerBlip(false);
}

TEST_F(Recovery, PowerBlipInTheContinuousModeIsFoundFromTheLine) {
  ScanThroughPowerBlip(true);
}

TEST_F(Recovery, NoiseAndNaksAreNoLoss) {
  Start();
  engine_->SetNakAll(true);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(ReadCode39(), 0);
  EXPECT_EQ(Read(), 0);
  engine_->SetNakAll(false);
  // Noise instead of replies from a silent engine: every attempt of two option reads hears a burst.
  const Bytes noise = {0x55, 0xAA, 0x01, 0xF3, 0x00, 0x7E};
  engine_->SetSilent(true);
  std::atomic<bool> reading{true};
  std::thread bursts([&] {
    for (; reading; std::this_thread::sleep_for(std::chrono::milliseconds(200)))
      engine_->Send(noise);
  });
  for (int i = 0; i < 2; ++i) EXPECT_EQ(ReadCode39(), 0);
  reading = false;
  bursts.join();
  // Input that makes no frame brings a check, and an engine that does not answer it is found
  // again once it does: noise is no loss only of an engine that answers.
  engine_->SetSilent(false);
  EXPECT_TRUE(PumpUntil([] { return seen.states.size() == 2; }, kRecoveryMs));
  EXPECT_EQ(seen.states, (std::vector<intptr_t>{0, 1}));
  seen.states.clear();
  for (int i = 0; i < 2; ++i) {
    Press();
    Pump(200);
    engine_->Send(noise);
    Pump(3500);
  }
  EXPECT_TRUE(seen.states.empty());
  EXPECT_EQ(ReadCode39(), 1);
  EXPECT_TRUE(TriggeredDecode("STILL"));
  EXPECT_TRUE(seen.states.empty());
}

// The unload comes while the recovery waits for the device (a hang-up of 10 s) or talks to the
// engine (the others: it answers only at 9600 now).
TEST_P(Outages, UnloadDuringTheRecoveryIsPromptAndLeavesNothing) {
  Start();
  ASSERT_TRUE(LoseEngine());
  Pump(1500);
  auto start = Clock::now();
  library_.Close();
  EXPECT_LT(MsSince(start), 2000);
  EXPECT_EQ(ThreadCount(), threadsBefore_);
  engine_.reset();  // a re-plugged engine holds new descriptors of its own
  for (const std::string &open : OpenDescriptors()) EXPECT_EQ(fdsBefore_.count(open), 1u) << open;
}

TEST_F(Recovery, TraceHoldsEveryFrameOfInitAndATriggeredDecodeInOrder) {
  const std::string trace = scratch_.File("trace");
  setenv("BCREADER_TRACE", trace.c_str(), 1);
  Start();
  ASSERT_TRUE(TriggeredDecode("TR"));
  unsetenv("BCREADER_TRACE");
  // Each line without its time and process id: the identification's frames, then the decode the
  // press's reception takes and the library's acknowledgement.
  std::vector<std::string> frames = Lines(ReadFile(trace));
  for (std::string &line : frames) line.erase(0, line.find(' ', line.find(' ') + 1) + 1);
  EXPECT_EQ(frames, (std::vector<std::string>{
                        "tx 38400 00 | wake", "tx 38400 04 A3 04 00 FF 55 |",
                        "rx 38400 14 A4 00 00 45 4E 47 39 35 35 41 37 2D 30 31 98 30 31 30 32 FB "
                        "6A | reply",
                        "rx 38400 07 F3 00 00 03 54 52 FE 5D | decode", "tx 38400 00 | wake",
                        "tx 38400 04 D0 04 00 FF 28 |"}));
}

}  // namespace
}  // namespace bcr::test
