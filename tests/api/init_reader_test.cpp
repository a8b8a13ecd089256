// Bringing the reader up against a simulated engine, through the exported functions.
#include <gtest/gtest.h>

#include "sim/engine.h"
#include "support/loaded_library.h"

namespace bcr::test {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kRevisionRequest = {0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55};

struct Reader {
  std::unique_ptr<bcrsim::Engine> engine;
  ScratchDir scratch;
  LoadedLibrary library{false};

  Reader(std::unique_ptr<bcrsim::Engine> sim, const char *kind) : engine(std::move(sim)) {
    PointLibraryAt(engine->Path(), kind, scratch);
    library.Open();
  }
  int32_t Init() { return BCR_FN(library, InitReader)(); }
  int32_t Type() { return BCR_FN(library, GetReaderType)(); }
  int32_t Active() { return BCR_FN(library, GetActiveDevice)(); }
};

TEST(InitReader, SE955AtItsWorkingSpeedIsProbedOnce) {
  Reader reader(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  EXPECT_EQ(reader.Init(), 1);
  EXPECT_EQ(reader.Type(), 128);
  EXPECT_EQ(reader.Active(), 7);
  Bytes woken = {0x00};
  woken.insert(woken.end(), kRevisionRequest.begin(), kRevisionRequest.end());
  EXPECT_EQ(reader.engine->Received(), woken);
  EXPECT_EQ(reader.engine->Speed(), 38400u);
}

TEST(InitReader, SE955AtNineThousandSixHundredIsMovedUp) {
  Reader reader(bcrsim::Engine::SE955().Speed(9600).Start(), "2");
  EXPECT_EQ(reader.Init(), 1);
  EXPECT_EQ(reader.Type(), 128);
  EXPECT_EQ(reader.engine->Frames(),
            (std::vector<Bytes>{kRevisionRequest,
                                {0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x08, 0xFD, 0x84}}));
  EXPECT_EQ(reader.engine->Speed(), 38400u);
  // The port followed: the engine answers at its new speed.
  char version[32];
  EXPECT_EQ(BCR_FN(reader.library, GetDecoderVersion)(7, version, sizeof version), 1);
  EXPECT_GT(std::string(version).size(), 0u);
}

TEST(InitReader, ImagerAtNineThousandSixHundredIsMovedToItsWorkingSpeed) {
  Reader reader(bcrsim::Engine::Imager4507().Speed(9600).Start(), "3");
  EXPECT_EQ(reader.Init(), 1);
  EXPECT_EQ(reader.Type(), 64);
  EXPECT_EQ(reader.Active(), 7);
  EXPECT_EQ(reader.engine->Frames(),
            (std::vector<Bytes>{kRevisionRequest,
                                {0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x0B, 0xFD, 0x81}}));
  EXPECT_EQ(reader.engine->Speed(), 115200u);
}

TEST(InitReader, WithoutAnEngineKindTheImagerIsFoundAfterTheSE955Probes) {
  Reader reader(bcrsim::Engine::Imager4507().Speed(115200).Start(), nullptr);
  EXPECT_EQ(reader.Init(), 1);
  EXPECT_EQ(reader.Type(), 64);
}

TEST(InitReader, KindsWithoutEngineOrAMissingSystemLibraryFindNoEngine) {
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

TEST(InitReader, KnownKindWithASilentEngineLeavesOnlyTheNotificationsRunning) {
  Reader reader(bcrsim::Engine::SE955().Speed(38400).Silent().Start(), "1");
  int before = ThreadCount();
  EXPECT_EQ(reader.Init(), -111);
  EXPECT_EQ(ThreadCount() - before, 3);  // vibrator, LED and sound
  EXPECT_EQ(reader.Type(), 0);
  EXPECT_EQ(reader.Active(), -101);
  char version[8];
  EXPECT_EQ(BCR_FN(reader.library, GetDecoderVersion)(7, version, sizeof version), -101);
}

TEST(InitReader, SecondCallKeepsOneOfEachThread) {
  Reader reader(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  int before = ThreadCount();
  EXPECT_EQ(reader.Init(), 1);
  int running = ThreadCount();
  // Decode, auto-trigger, vibrator, LED, sound, and the recovery of a lost engine.
  EXPECT_EQ(running - before, 6);
  EXPECT_EQ(reader.Init(), 1);
  EXPECT_EQ(ThreadCount(), running);
  EXPECT_EQ(reader.engine->Frames().size(), 1u);  // the engine was not opened again
}

TEST(InitReader, HiddenWindowCanBeFound) {
  Reader reader(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  EXPECT_EQ(BCR_FN(reader.library, BcrFindWindow)("Quenrix"), nullptr);
  EXPECT_EQ(reader.Init(), 1);
  EXPECT_NE(BCR_FN(reader.library, BcrFindWindow)("Quenrix"), nullptr);
  EXPECT_NE(BCR_FN(reader.library, BcrFindWindow)("quenrix"), nullptr);
}

}  // namespace
}  // namespace bcr::test
