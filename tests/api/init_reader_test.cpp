// Bringing the reader up against a simulated engine, through the exported functions.
#include <gtest/gtest.h>

#include <chrono>

#include "sim/engine.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kRevisionRequest = {0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55};

// The library loaded against an engine, not yet brought up.
class InitReader : public SimReader {
 protected:
  void Load(std::unique_ptr<bcrsim::Engine> sim, const char *kind) {
    Start(std::move(sim), kind, {}, false);
  }
  int32_t Init() { return BCR_FN(library_, InitReader)(); }
  int32_t Type() { return BCR_FN(library_, GetReaderType)(); }
  int32_t Active() { return BCR_FN(library_, GetActiveDevice)(); }
};

TEST_F(InitReader, SE955AtItsWorkingSpeedIsProbedOnce) {
  Load(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  EXPECT_EQ(Init(), 1);
  EXPECT_EQ(Type(), 128);
  EXPECT_EQ(Active(), 7);
  Bytes woken = {0x00};
  woken.insert(woken.end(), kRevisionRequest.begin(), kRevisionRequest.end());
  EXPECT_EQ(engine_->Received(), woken);
  EXPECT_EQ(engine_->Speed(), 38400u);
}

TEST_F(InitReader, ImagerAtNineThousandSixHundredIsMovedToItsWorkingSpeed) {
  // The imager is given 3 s to start before it is spoken to, even at its working speed.
  Load(bcrsim::Engine::Imager4507().Speed(115200).Start(), "3");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Init(), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  library_.Close();
  Load(bcrsim::Engine::Imager4507().Speed(9600).Start(), "3");
  EXPECT_EQ(Init(), 1);
  EXPECT_EQ(Type(), 64);
  EXPECT_EQ(Active(), 7);
  EXPECT_EQ(engine_->Frames(),
            (std::vector<Bytes>{kRevisionRequest,
                                {0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x0B, 0xFD, 0x81}}));
  EXPECT_EQ(engine_->Speed(), 115200u);
}

TEST_F(InitReader, WithoutAnEngineKindTheImagerIsFoundAfterTheSE955Probes) {
  Load(bcrsim::Engine::Imager4507().Speed(115200).Start(), nullptr);
  EXPECT_EQ(Init(), 1);
  EXPECT_EQ(Type(), 64);
}

TEST_F(InitReader, KindsWithoutEngineOrAMissingSystemLibraryFindNoEngine) {
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  for (const char *kind : {"4", "5"}) {
    ScratchDir scratch;
    PointLibraryAt(engine->Path(), kind, scratch);
    LoadedLibrary library;
    EXPECT_EQ(BCR_FN(library, InitReader)(), -103) << kind;
    EXPECT_EQ(BCR_FN(library, GetActiveDevice)(), -101);
  }
  for (const char *syslib : {"/nonexistent/libbrevald.so", "libm.so.6"}) {
    ScratchDir scratch;
    PointLibraryAt(engine->Path(), "1", scratch);
    setenv("BCREADER_SYSLIB", syslib, 1);
    LoadedLibrary library;
    EXPECT_EQ(BCR_FN(library, InitReader)(), -103) << syslib;
  }
  EXPECT_TRUE(engine->Frames().empty());
}

TEST_F(InitReader, KnownKindWithASilentEngineLeavesOnlyTheNotificationsRunning) {
  Load(bcrsim::Engine::SE955().Speed(38400).Silent().Start(), "1");
  int before = ThreadCount();
  EXPECT_EQ(Init(), -111);
  EXPECT_EQ(ThreadCount() - before, 3);  // vibrator, LED and sound
  EXPECT_EQ(Type(), 0);
  EXPECT_EQ(Active(), -101);
  char version[8];
  EXPECT_EQ(BCR_FN(library_, GetDecoderVersion)(7, version, sizeof version), -101);
}

TEST_F(InitReader, SecondCallKeepsOneOfEachThread) {
  Load(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  int before = ThreadCount();
  EXPECT_EQ(Init(), 1);
  int running = ThreadCount();
  // The line reader, decode, auto-trigger, vibrator, LED, sound, and the recovery of a lost
  // engine.
  EXPECT_EQ(running - before, 7);
  EXPECT_EQ(Init(), 1);
  EXPECT_EQ(ThreadCount(), running);
  EXPECT_EQ(engine_->Frames().size(), 1u);  // the engine was not opened again
}

// A second open that loads another system library: a worker's call never reaches the first one
// while it is being unloaded (the stand-in lingers in its unload and marks such calls "late").
TEST_F(InitReader, ASecondOpenNeverCallsTheSystemLibraryItReplaces) {
  Load(bcrsim::Engine::SE955().Speed(38400).Silent().Start(), "1");
  std::string calls = scratch_.File("calls"), second = scratch_.File("second.so");
  std::string copy = "cp '" + LibDir() + "/libbrevald-record.so' '" + second + "'";
  ASSERT_EQ(system(copy.c_str()), 0);
  setenv("BCREADER_SYSLIB", (LibDir() + "/libbrevald-record.so").c_str(), 1);
  setenv("BREVALD_RECORD", calls.c_str(), 1);
  setenv("BREVALD_UNLOAD_PAUSE_MS", "1200", 1);
  EXPECT_EQ(Init(), -111);
  int32_t sound = 1, vibrate = 0, units = 1, led = 800;
  EXPECT_EQ(BCR_FN(library_, NotificationSettings)('w', &sound, &vibrate, &units, &led), 1);
  // A delivered decode lights the LED; it goes out while the second open runs.
  BcrWindow window = BCR_FN(library_, BcrFindWindow)("Quenrix");
  uint32_t decode = BCR_FN(library_, BcrRegisterWindowMessage)("WM_DECODE");
  EXPECT_EQ(BCR_FN(library_, BcrPostMessage)(window, decode, 2, 0), 1);
  BCR_FN(library_, BcrDispatchMessages)(100);
  usleep(100000);
  setenv("BCREADER_SYSLIB", second.c_str(), 1);
  engine_->SetSilent(false);
  EXPECT_EQ(Init(), 1);
  library_.Close();
  unsetenv("BREVALD_UNLOAD_PAUSE_MS");
  std::string record = ReadFile(calls);
  EXPECT_NE(record.find("SetLEDLight 1 0"), std::string::npos) << record;
  EXPECT_EQ(record.find("late"), std::string::npos) << record;
}

}  // namespace
}  // namespace bcr::test
