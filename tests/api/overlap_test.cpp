// Calls that overlap and a line that misbehaves, through the exported functions (the threaded
// soak drives reads, option calls and revision requests from other threads): every decode
// reaches the press or read it answers, once and unchanged, and nothing waits without bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

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
  // Decodes the library took whole from the line: each is acknowledged once.
  size_t DecodeAcks() const {
    const std::vector<bcrsim::Bytes> frames = engine_->Frames();
    return std::count(frames.begin(), frames.end(), kDecodeAck);
  }
  const bcrsim::Bytes kDecodeAck = {0x04, 0xD0, 0x04, 0x00, 0xFF, 0x28};

  // A call made while a decode arrives packet by packet writes its request only once the decode's
  // last acknowledgement is out: a request that reached the engine between a packet and its
  // acknowledgement would make it give the decode up. The call begins right before the decode, so
  // that its request is due while the first packet waits for its acknowledgement; the packets come
  // 300 ms apart, longer in all than the call's own reply wait.
  void CallWhileADecodeArrives(bcrsim::Engine::Builder builder, const char *kind, const char *call,
                               bcrsim::Format format, size_t continuationAcks) {
    Start(builder.Start(), kind);
    engine_->SetPacketDelay(300);
    auto write = library_.Fn<decltype(::Code93_1D_SE955)>(call);
    const bcrsim::Bytes kContinuationAck = {0x04, 0xD0, 0x04, 0x03, 0xFF, 0x25};
    bool ordered = false;
    // A round whose decode began only after the request went out proves no wait: another one.
    for (int32_t round = 0; round < 3 && !ordered; ++round) {
      SCOPED_TRACE(round);
      const std::string text = "ABCDEFGHIJK" + std::to_string(round);
      bcrsim::Decode decode = Decoding(text, 0x03, 3);  // four packets
      decode.format = format;
      Press();
      BCR_FN(library_, BcrDispatchMessages)(0);
      engine_->WaitIdle(3000);
      engine_->ClearRecord();
      int32_t enable = round % 2;
      auto result =
          std::async(std::launch::async, [&] { return write('w', &enable, nullptr, nullptr); });
      // The call's wake byte: its request is due at the end of its wake pause.
      const auto end = Clock::now() + std::chrono::seconds(5);
      while (engine_->Received().empty() && Clock::now() < end) {
        std::this_thread::sleep_for(milliseconds(1));
      }
      engine_->SendDecode(decode);
      EXPECT_EQ(result.get(), 1);
      EXPECT_EQ(AwaitData(text, 5000), text);
      ASSERT_TRUE(engine_->WaitIdle(5000));
      EXPECT_TRUE(engine_->GivenUp().empty());
      const std::vector<bcrsim::Bytes> frames = engine_->Frames();
      const auto request = std::find_if(frames.begin(), frames.end(),
                                        [](const bcrsim::Bytes &f) { return f.at(1) != 0xD0; });
      ASSERT_NE(request, frames.end());
      if (request == frames.begin()) continue;
      ordered = true;
      std::vector<bcrsim::Bytes> acks(continuationAcks, kContinuationAck);
      acks.push_back(kDecodeAck);
      EXPECT_EQ(std::vector<bcrsim::Bytes>(frames.begin(), request), acks);
    }
    EXPECT_TRUE(ordered);
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
    // Each whole decode is acknowledged once: the scans and late scans so far (the damaged one is
    // not whole).
    EXPECT_TRUE(PumpUntil([&] { return DecodeAcks() == 2u * round - 1; }, 3000));
    // Scanned after the reception ended: read away by the next press, not delivered by it.
    engine_->SendDecode(Decoding("late-" + scan));
    EXPECT_TRUE(PumpUntil([&] { return DecodeAcks() == 2u * round; }, 3000));
  }
  // A scan that follows its press at once is its answer, however late the reception starts;
  // the late scan before the press is not.
  Press();
  BCR_FN(library_, BcrDispatchMessages)(0);
  engine_->SendDecode(Decoding("last"));
  EXPECT_EQ(AwaitData("last", 3000), "last");
}

TEST_F(Overlap, ACallWaitsOutADecodeArrivingOnTheSE955) {
  CallWhileADecodeArrives(bcrsim::Engine::SE955().Speed(38400), "1", "Code93_1D_SE955",
                          bcrsim::Format::Plain, 4);
}

TEST_F(Overlap, ACallWaitsOutADecodeArrivingOnThe4507) {
  CallWhileADecodeArrives(bcrsim::Engine::Imager4507().Speed(115200), "3", "Code93_2D_4507",
                          bcrsim::Format::Format99, 3);
}

// Bounds: a reset with a silent engine keeps no read waiting for its whole sequence, and ends
// early itself; an unload while a press waits for its decode takes no longer than an idle one.
TEST_F(Overlap, NoCallWaitsBeyondItsBound) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  engine_->SetSilent(true);
  engine_->ClearRecord();
  auto start = Clock::now();
  auto reset =
      std::async(std::launch::async, [&] { return BCR_FN(library_, ResetReaderToDefault)(7); });
  // The reset holds the port once its first request is out.
  EXPECT_TRUE(engine_->WaitForFrames(1, 5000));
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
