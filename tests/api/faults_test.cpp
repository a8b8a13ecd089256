// A misbehaving engine: the library returns the documented failure, loses no later decode and
// unloads cleanly.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim/engine.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

class Faults : public SimReader {
 protected:
  void Unload() {
    auto start = std::chrono::steady_clock::now();
    library_.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
};

TEST_F(Faults, EngineFallingSilentInsideADecode) {
  Start(bcrsim::Engine::Imager4507().Speed(115200).Start(), "3");
  bcrsim::Decode cut = Decoding("0123456789ABCDEFGHIJ");
  cut.cutAfter = 12;  // inside the first and only packet
  engine_->OnStartDecode(cut);
  std::string text;
  EXPECT_EQ(Read(&text), 0);
  engine_->OnStartDecode(Decoding("AFTERWARDS"));
  EXPECT_EQ(Read(&text), 10);
  EXPECT_EQ(text, "AFTERWARDS");
  Unload();
}

// Line noise costs no decode: neither the one right behind it nor any later one.
TEST_F(Faults, GarbageBetweenFramesCostsNoDecode) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  bcrsim::Decode noisy = Decoding("BEHIND");
  noisy.strayBefore = {0x55, 0xAA, 0x55, 0x01, 0xF3, 0x00};
  engine_->OnStartDecode(noisy);
  std::string text;
  EXPECT_EQ(Read(&text), 6);
  EXPECT_EQ(text, "BEHIND");
  for (const char *next : {"FIRST", "SECOND"}) {
    engine_->OnStartDecode(Decoding(next));
    EXPECT_EQ(Read(&text), static_cast<int32_t>(strlen(next)));
    EXPECT_EQ(text, next);
  }
  Unload();
}

TEST_F(Faults, ParameterWritesTheEngineRefuses) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  engine_->ClearRecord();
  engine_->SetNakAll(true);
  int32_t enable = 1, length = 4, maximum = 55;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(BCR_FN(library_, Code93_1D_SE955)('w', &enable, &length, &maximum), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(engine_->Frames().size(), 5u);  // five attempts
  engine_->SetNakAll(false);
  engine_->OnStartDecode(Decoding("STILL-READS"));
  std::string text;
  EXPECT_EQ(Read(&text), 11);
  Unload();
}

TEST_F(Faults, PortGoneWhileAReadWaits) {
  // Through a link that goes with the engine: the reader keeps opening the port's name to find
  // the engine again, and the freed pseudo-terminal's number soon belongs to another program.
  const std::string port = scratch_.File("com2");
  Start(bcrsim::Engine::SE955().Speed(38400).Link(port).Start(), "1", {{"BCREADER_COM2", port}});
  Press();
  BCR_FN(library_, BcrDispatchMessages)(100);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  engine_.reset();  // the pseudo-terminal disappears under the waiting reception
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::string text;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(&text), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  char version[32];
  EXPECT_EQ(BCR_FN(library_, GetDecoderVersion)(7, version, sizeof version), 0);
  EXPECT_STREQ(version, "");
  Unload();
}

}  // namespace
}  // namespace bcr::test
