// Calls that overlap and a line that misbehaves, through the exported functions (the threaded
// soak drives reads, option calls and revision requests from other threads): every decode
// reaches the press or read it answers, once and unchanged, and nothing waits without bound.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "sim/engine.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

using std::chrono::milliseconds;

class Overlap : public SimReader {
 protected:
  // Dispatches the reader's messages until GetDecodeData gives text or waitMs pass.
  std::string AwaitData(const std::string &text, int waitMs) {
    PumpUntil([&] { return DecodeData() == text; }, waitMs);
    return DecodeData();
  }
};

// A broken frame (noise, a damaged decode) does not end the press's reception: the scan that
// follows is its answer. A scan that came while nobody listened is never delivered to a later
// press.
TEST_F(Overlap, NoiseAndLateScansNeverShiftDecodesToLaterPresses) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  struct Fault {
    const char *name;
    bool noise;
    bool damagedDecode;
  };
  const Fault faults[] = {{"noise", true, false}, {"damaged", false, true}, {"both", true, true}};
  int round = 0;
  for (const Fault &fault : faults) {
    SCOPED_TRACE(fault.name);
    const std::string scan = "scan-" + std::to_string(++round);
    Press();
    BCR_FN(library_, BcrDispatchMessages)(50);
    // Past the press's read-away of the late scan: the faults meet its listening reception.
    std::this_thread::sleep_for(milliseconds(100));
    if (fault.noise) engine_->Send({0x07, 0x13, 0xF3, 0x55, 0xAA, 0x00, 0xF3, 0x09});
    if (fault.damagedDecode) {
      bcrsim::Decode damaged = Decoding("garbled");
      damaged.badChecksumPacket = 0;
      engine_->SendDecode(damaged);
    }
    std::this_thread::sleep_for(milliseconds(150));
    engine_->SendDecode(Decoding(scan));
    EXPECT_EQ(AwaitData(scan, 3000), scan);
    // Scanned after the reception ended: read away by the next press, not delivered by it.
    engine_->SendDecode(Decoding("late-" + scan));
    std::this_thread::sleep_for(milliseconds(200));
  }
  // A scan that follows its press at once is its answer, however late the reception starts;
  // the late scan before the press is not.
  Press();
  BCR_FN(library_, BcrDispatchMessages)(0);
  engine_->SendDecode(Decoding("last"));
  EXPECT_EQ(AwaitData("last", 3000), "last");
}

// An option call queued behind a press's reception waits out a decode that began arriving within
// the reception's wait and outlasts the call's own: the call neither fails nor purges it.
TEST_F(Overlap, OptionCallWaitsOutADecodeInFlight) {
  Start(bcrsim::Engine::Imager4507().Speed(115200).Start(), "3");
  int32_t tenths = 20, mode = 6, enable = 1;  // the call waits 2 s + 1 s for the port
  ASSERT_EQ(BCR_FN(library_, UserPreferences_2D_4507)('w', &tenths, nullptr, &mode), 1);
  Press();
  BCR_FN(library_, BcrDispatchMessages)(50);
  std::this_thread::sleep_for(milliseconds(100));
  auto write = std::async(std::launch::async,
                          [&] { return BCR_FN(library_, Chinese2Of5_2D_4507)('w', &enable); });
  std::this_thread::sleep_for(milliseconds(800));
  const std::string data = "ABCDEFGHIJKL";  // one packet every 250 ms: 2.75 s on the line
  for (const char c : data) {
    const uint8_t status = c == 'L' ? 0x00 : 0x02;
    engine_->Send(bcrsim::WithChecksum({0x06, 0xF3, 0x00, status, 0x01, uint8_t(c)}));
    std::this_thread::sleep_for(milliseconds(250));
  }
  EXPECT_EQ(write.get(), 1);
  EXPECT_EQ(AwaitData(data, 3000), data);
}

// Bounds: a reset with a silent engine keeps no read waiting for its whole sequence, and ends
// early itself; an unload while a press waits for its decode takes no longer than an idle one.
TEST_F(Overlap, NoCallWaitsBeyondItsBound) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  engine_->SetSilent(true);
  auto start = Clock::now();
  auto reset =
      std::async(std::launch::async, [&] { return BCR_FN(library_, ResetReaderToDefault)(7); });
  std::this_thread::sleep_for(milliseconds(300));
  char buffer[32];
  uint32_t type = 0;
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&type, buffer, sizeof buffer), 0);
  EXPECT_LT(MsSince(start), 12000);
  ASSERT_EQ(reset.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(reset.get(), 1);
  EXPECT_LT(MsSince(start), 15000);
  engine_->SetSilent(false);
  // The silent engine was taken for lost; the library finds it again by itself, and InitReader
  // says so.
  const auto back = Clock::now() + std::chrono::seconds(20);
  while (BCR_FN(library_, InitReader)() != 1 && Clock::now() < back) {
    std::this_thread::sleep_for(milliseconds(100));
  }

  int32_t tenths = 250, mode = 6;  // 25 s
  ASSERT_EQ(BCR_FN(library_, UserPreferences_1D_SE955)('w', &tenths, nullptr, nullptr, nullptr,
                                                       nullptr, nullptr, &mode),
            1);
  Press();
  BCR_FN(library_, BcrDispatchMessages)(50);
  std::this_thread::sleep_for(milliseconds(200));
  start = Clock::now();
  library_.Close();
  EXPECT_LT(MsSince(start), 2500);
}

// Decodes that are not whole fail the read instead of being delivered damaged: a later packet
// with a wrong checksum, a continuation too short for its header.
TEST_F(Overlap, BrokenDecodesFailTheRead) {
  Start(bcrsim::Engine::Imager4507().Speed(115200).Start(), "3");
  int32_t tenths = 10, mode = 6;
  ASSERT_EQ(BCR_FN(library_, UserPreferences_2D_4507)('w', &tenths, nullptr, &mode), 1);
  struct Case {
    const char *name;
    bool format99;
    std::optional<uint8_t> laterLength;
    std::optional<size_t> badPacket;
    int32_t result;
    const char *data;
    uint32_t type;
  };
  const Case cases[] = {
      {"whole", true, std::nullopt, std::nullopt, 8, "ABCDEFGH", 'm'},
      {"short plain continuation", false, 0x03, std::nullopt, 0, "", 0},
      {"short 0x99 continuation", true, 0x03, std::nullopt, 0, "", 0},
      {"bad checksum later", true, std::nullopt, 1, 0, "", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    bcrsim::Decode decode = Decoding("ABCDEFGH", 0x1B, 4);
    if (c.format99) decode.format = bcrsim::Format::Format99;
    decode.laterLength = c.laterLength;
    decode.badChecksumPacket = c.badPacket;
    engine_->OnStartDecode(decode);
    char buffer[32] = {};
    uint32_t type = 0;
    EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&type, buffer, sizeof buffer), c.result);
    EXPECT_STREQ(buffer, c.data);
    EXPECT_EQ(type, c.type);
    engine_->WaitIdle(2000);
  }
}

}  // namespace
}  // namespace bcr::test
