#include "link/receiver.h"
#include "reader/globals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "link/serial_port.h"
#include "platform/clock.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;
using test::CountSuspect;
using test::SimLink;
using test::ToBytes;

const Bytes kContinuationAck = {0x04, 0xD0, 0x04, 0x03, 0xFF, 0x25};

SimLink SE955() {
  return SimLink(bcrsim::Engine::SE955().Speed(38400).Start(), false);
}
SimLink Imager() {
  return SimLink(bcrsim::Engine::Imager4507().Speed(115200).Start(), false);
}

Bytes Text(const std::string &s) {
  return Bytes(s.begin(), s.end());
}

Bytes Units(uint8_t type, const std::string &s) {
  Bytes bytes{type};
  bytes.insert(bytes.end(), s.begin(), s.end());
  return bytes;
}

// Receives one decode and reports how long it took.
struct Reception {
  int result;
  Bytes out;
  uint64_t ms;
};

// One frame read off the line on this thread (the link's own reader stopped): 1 when it is of
// the kind asked for.
constexpr FrameKind kReplyMode = FrameKind::kReply;
constexpr FrameKind kDecodeDataMode = FrameKind::kDecode;

Reception Receive(SimLink &sim, uint32_t wait = 1000, FrameKind kind = kDecodeDataMode) {
  uint64_t start = platform::NowMs();
  LineFrame frame = ReadFrame(sim.Link(), wait);
  sim.Link().SetFrameInFlight(false);
  return {frame.kind == kind ? 1 : 0, frame.units, platform::NowMs() - start};
}

std::vector<Bytes> Acks(size_t n) {
  return std::vector<Bytes>(n, kContinuationAck);
}

TEST(ReplyMode, TakesOneFrameAndChecksItsChecksum) {
  SimLink sim = SE955();
  sim.Engine().Send({0x06, 0xC6, 0x00, 0x00, 0xFF, 0x2D, 0xFE, 0x08});
  Reception r = Receive(sim, 1000, kReplyMode);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.out, (Bytes{0x06, 0xC6, 0x00, 0x00, 0xFF, 0x2D}));
  // The checksum was read with the frame.
  EXPECT_EQ(ReadFrame(sim.Link(), 100).kind, FrameKind::kQuiet);
  // A wrong checksum, or none, counts as no reply.
  sim.Engine().Send({0x06, 0xC6, 0x00, 0x00, 0xFF, 0x2D, 0xFE, 0x09});
  EXPECT_EQ(Receive(sim, 1000, FrameKind::kBadChecksum).result, 1);
  sim.Engine().Send({0x06, 0xC6, 0x00, 0x00, 0xFF, 0x2D});
  EXPECT_EQ(Receive(sim, 1000, kReplyMode).result, 0);
}

TEST(ReplyMode, FailsOnSilenceACutFrameOrALengthOfZero) {
  SimLink sim = SE955();
  EXPECT_EQ(Receive(sim, 100, kReplyMode).result, 0);
  sim.Engine().Send({0x06, 0xC6, 0x00, 0x00});
  Reception cut = Receive(sim, 1000, kReplyMode);
  EXPECT_EQ(cut.result, 0);
  EXPECT_EQ(cut.out, (Bytes{0x06, 0xC6, 0x00, 0x00}));
  sim.Engine().Send({0x00, 0x11, 0x22, 0x33});
  Reception zero = Receive(sim, 1000, kReplyMode);
  EXPECT_EQ(zero.result, 0);
  EXPECT_LT(zero.ms, 2000u);
}

// Frames as the engine sends them, and what one reception makes of them: the result, the units,
// and the continuation acknowledgements the engine got.
struct SentCase {
  const char *name;
  bool se955;
  Bytes sent;
  int result;
  Bytes out;
  size_t acks;
};

TEST(DecodeData, FramesAsSent) {
  const Bytes single = {0x09, 0xF3, 0x00, 0x00, 0x01, 0x31, 0x32, 0x33, 0x34, 0xFE, 0x39};
  auto behind = [&single](Bytes noise) {
    noise.insert(noise.end(), single.begin(), single.end());
    return noise;
  };
  // A long run of line noise: every byte value, lengths that reach past the frame among them.
  Bytes longNoise;
  for (int i = 0; i < 300; ++i) longNoise.push_back(static_cast<uint8_t>(i * 97 + 13));
  const Bytes units = {0x01, 0x31, 0x32, 0x33, 0x34};
  const SentCase cases[] = {
      // Read with its checksum; nothing acknowledged by the receiver.
      {"single packet", true, single, 1, {0x01, 0x31, 0x32, 0x33, 0x34}, 0},
      {"damaged byte",
       true,
       {0x09, 0xF3, 0x00, 0x00, 0x01, 0x31, 0x32, 0x33, 0x35, 0xFE, 0x39},
       0,
       {},
       0},
      // Stray bytes ahead of a frame, however many, are skipped and the frame is found.
      {"one stray byte", true, behind({0xA5}), 1, units, 0},
      {"one stray byte, 4507", false, behind({0xA5}), 1, units, 0},
      {"two stray bytes", true, behind({0x55, 0x66}), 1, units, 0},
      {"two stray bytes, 4507", false, behind({0x55, 0x66}), 1, units, 0},
      {"three stray bytes", true, behind({0xA5, 0xA5, 0xA5}), 1, units, 0},
      {"three stray bytes, 4507", false, behind({0xA5, 0xA5, 0xA5}), 1, units, 0},
      {"long noise", true, behind(longNoise), 1, units, 0},
      {"long noise, 4507", false, behind(longNoise), 1, units, 0},
      // What only looks like a frame inside noise is none: an opcode the engine never sends, the
      // library's source byte, a checksum that does not fit.
      {"false frames in noise", true,
       behind({0xA5, 0x04, 0xE4, 0x00, 0x00, 0xFF, 0x18, 0x09, 0xF3, 0x04,
               0x00, 0x01, 0x31, 0x32, 0x33, 0x34, 0xFE, 0x35, 0x09, 0xF3,
               0x00, 0x00, 0x01, 0x31, 0x32, 0x33, 0x35, 0xFE, 0x35}),
       1, units, 0},
      {"noise alone", false, longNoise, 0, {}, 0},
      // Fails with what arrived.
      {"first packet cut",
       false,
       {0x09, 0xF3, 0x00, 0x00, 0x01, 0x31, 0x32},
       0,
       {0x01, 0x31, 0x32},
       0},
      {"more announced, none coming",
       true,
       {0x07, 0xF3, 0x00, 0x02, 0x03, 0x41, 0x42, 0xFE, 0x7E},
       1,
       {0x03, 0x41, 0x42},
       1},
      // SE955 0x99 t x a 00 p q b: the byte after the type and every zero group dropped, and no
      // acknowledgement in this format.
      {"SE955 0x99",
       true,
       {0x0C, 0xF3, 0x00, 0x00, 0x99, 0x01, 0x77, 0x41, 0x00, 0x50, 0x51, 0x42, 0xFC, 0xCC},
       1,
       {0x01, 0x41, 0x42},
       0},
      // The frame ends with 00: the group it starts is cut at the frame's end, so the bytes after
      // it are read as the checksum.
      {"SE955 0x99 zero group at the end",
       true,
       {0x09, 0xF3, 0x00, 0x00, 0x99, 0x01, 0x77, 0x41, 0x00, 0xFD, 0xB2},
       1,
       {0x01, 0x41},
       0},
      // 4507 0x99 t b b b b data, status 00: acknowledged after a wake byte.
      {"4507 0x99 single packet",
       false,
       {0x0C, 0xF3, 0x00, 0x00, 0x99, 0x1C, 0x01, 0x02, 0x03, 0x04, 0x51, 0x52, 0xFD, 0x9F},
       1,
       {0x1C, 0x51, 0x52},
       1},
  };
  for (const SentCase &c : cases) {
    SCOPED_TRACE(c.name);
    SimLink sim = c.se955 ? SE955() : Imager();
    sim.Engine().Send(c.sent);
    Reception r = Receive(sim);
    EXPECT_EQ(r.result, c.result);
    if (c.result == 1 || !c.out.empty()) {
      EXPECT_EQ(r.out, c.out);
    }
    if (c.result == 1) {
      EXPECT_EQ(ReadFrame(sim.Link(), 100).kind, FrameKind::kQuiet);
    }
    if (!c.se955 && c.acks > 0) {
      EXPECT_GE(r.ms, 550u);  // the wake pause and the 500 ms wait for a further packet
    }
    sim.Engine().WaitForFrames(c.acks, 1000);
    platform::Sleep(100);
    EXPECT_EQ(sim.Engine().Frames(), Acks(c.acks));
    if (c.acks > 0) {
      EXPECT_EQ(sim.Engine().Received().front(), 0x00);  // woken first
    }
  }
}

TEST(DecodeData, NothingWithinTheWaitOrWithoutAnEngineTypeFails) {
  SimLink sim = Imager();
  Reception r = Receive(sim, 300);
  EXPECT_EQ(r.result, 0);
  EXPECT_GE(r.ms, 250u);
  EXPECT_LT(r.ms, 3000u);
  sim.Link().SetDeviceType(kNoEngine);
  sim.Engine().Send({0x09, 0xF3, 0x00, 0x00, 0x01, 0x31, 0x32, 0x33, 0x34, 0xFE, 0x39});
  EXPECT_EQ(Receive(sim).result, 0);
}

// Decodes of several packets: the SE955 acknowledges each packet, the first after a wake byte;
// the 4507 without waking; in the 4507's 0x99 format the last packet (status 00) is not
// acknowledged. A packet that begins a while after its acknowledgement still belongs to the
// decode; a packet cut short fails the decode, never delivered in part.
struct PacketsCase {
  const char *name;
  bool se955;
  bool format99;
  std::optional<size_t> cutAfter;
  int result;
  size_t acks;
  Bytes received;  // the first bytes the engine got
  int packetDelayMs = 0;
};

TEST(DecodeData, DecodesOfSeveralPackets) {
  const Bytes ack = kContinuationAck;
  Bytes woken = {0x00};
  for (int i = 0; i < 3; ++i) woken.insert(woken.end(), ack.begin(), ack.end());
  const PacketsCase cases[] = {
      {"SE955", true, false, std::nullopt, 1, 3, woken},
      {"4507", false, false, std::nullopt, 1, 3, {0x04}},
      {"4507 0x99", false, true, std::nullopt, 1, 2, {}},
      {"4507 0x99 cut in the second packet", false, true, 30, 0, 0, {}},
      {"SE955 packets late", true, false, std::nullopt, 1, 3, woken, 150},
      {"4507 packets late", false, false, std::nullopt, 1, 3, {0x04}, 150},
      {"SE955 cut in the second packet", true, false, 24, 0, 0, {}},
      {"4507 cut in the third packet", false, false, 38, 0, 0, {}},
  };
  for (const PacketsCase &c : cases) {
    SCOPED_TRACE(c.name);
    SimLink sim = c.se955 ? SE955() : Imager();
    bcrsim::Decode decode;
    decode.codeType = 0x1B;
    decode.data = Text("0123456789ABCDEFGHIJ-29");
    decode.packetData = 10;
    if (c.format99) decode.format = bcrsim::Format::Format99;
    decode.cutAfter = c.cutAfter;
    sim.Engine().SetPacketDelay(c.packetDelayMs);
    sim.Engine().SendDecode(decode);
    Reception r = Receive(sim);
    EXPECT_EQ(r.result, c.result);
    if (c.result != 1) continue;
    EXPECT_EQ(r.out, Units(0x1B, "0123456789ABCDEFGHIJ-29"));
    ASSERT_TRUE(sim.Engine().WaitForFrames(c.acks, 1000));
    platform::Sleep(100);
    EXPECT_EQ(sim.Engine().Frames(), Acks(c.acks));
    const Bytes got = sim.Engine().Received();
    EXPECT_EQ(Bytes(got.begin(), got.begin() + std::min(got.size(), c.received.size())),
              c.received);
  }
}

// An engine that never stops sending continuation packets is broken: the reception fails once
// the decode passes its limit, whichever way its last packet ends.
TEST(DecodeData, EndlessContinuationFailsAtTheLimit) {
  for (bool format99 : {false, true}) {
    SimLink sim(bcrsim::Engine::Imager4507().Speed(115200).Paced(false).Start(), false);
    bcrsim::Decode decode;
    decode.codeType = 0x1B;
    decode.data.assign(kMaxDecodeUnits + 500, 'x');
    decode.packetData = 250;
    if (format99) decode.format = bcrsim::Format::Format99;
    sim.Engine().SendDecode(decode);
    Reception r = Receive(sim, 2000);
    EXPECT_EQ(r.result, 0) << format99;
    EXPECT_LE(r.out.size(), kMaxDecodeUnits + 256) << format99;
  }
}

// The continuation packets of a decode that do not go as planned. The 4507's 0x99 format: the
// line hangs up after the first packet, while the receiver wakes the engine for the
// acknowledgement; the decode is incomplete and fails. The SE955: a continuation packet with
// another opcode, or too short for its own header, is another frame: the engine gave the decode
// up, which is not delivered, and the frame is read again as what it is.
TEST(Continuation, FailedImagerAcknowledgementFailsTheDecodeAndForeignPacketsEndIt) {
  {
    auto engine = bcrsim::Engine::Imager4507().Speed(115200).Start();
    ASSERT_NE(engine, nullptr);
    bcrsim::Engine *raw = engine.get();
    SimLink sim(std::move(engine), false);
    bcrsim::Decode decode;
    decode.format = bcrsim::Format::Format99;
    decode.data = {'a', 'b', 'c', 'd', 'e', 'f'};
    decode.packetData = 3;
    raw->SendDecode(decode);
    std::thread hangUp([&sim, raw] {
      // The wake byte comes once the first packet is read; the acknowledgement 100 ms later.
      const uint64_t limit = platform::NowMs() + 3000;
      while (raw->Received().empty() && platform::NowMs() < limit) platform::Sleep(1);
      sim.StopEngine();
    });
    EXPECT_EQ(Receive(sim, 2000).result, 0);
    hangUp.join();
  }
  for (bool shortPacket : {false, true}) {
    SimLink sim = SE955();
    bcrsim::Decode decode;
    decode.codeType = 0x03;
    decode.data = Text("ABCxyz");
    decode.packetData = 3;
    if (shortPacket) {
      decode.laterLength = 0x03;
    } else {
      decode.laterOpcode = 0xC6;
    }
    sim.Engine().SendDecode(decode);
    Reception r = Receive(sim, 2000, FrameKind::kAbandoned);
    EXPECT_EQ(r.result, 1) << shortPacket;
    EXPECT_EQ(r.out, Units(0x03, "ABC")) << shortPacket;
    Reception next = Receive(sim, 1000, shortPacket ? FrameKind::kBroken : kReplyMode);
    EXPECT_EQ(next.result, 1) << shortPacket;
    if (!shortPacket) {
      ASSERT_GE(next.out.size(), 2u);
      EXPECT_EQ(next.out[1], 0xC6);
    }
  }
}

// The line reader: a frame whose checksum does not fit ends where its length says, so a decode
// right behind it is read, acknowledged and handed on.
TEST(LineReader, DecodeRightAfterABadChecksumIsKeptAndAcknowledged) {
  SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start());
  const Bytes noise = {0x07, 0xF3, 0x13, 0x00, 0x55, 0xAA, 0x09, 0xF3, 0x00};
  Bytes sent = noise;
  const Bytes decode = {0x09, 0xF3, 0x00, 0x00, 0x01, 0x31, 0x32, 0x33, 0x34, 0xFE, 0x39};
  sent.insert(sent.end(), decode.begin(), decode.end());
  sim.Engine().Send(sent);
  LineDecode received;
  EXPECT_EQ(sim.Link().Decodes().Receive(DecodeLine::Any(), platform::NowMs() + 2000, &received),
            DecodeWait::kReceived);
  EXPECT_EQ(received.units, (Bytes{0x01, 0x31, 0x32, 0x33, 0x34}));
  ASSERT_TRUE(sim.Engine().WaitForFrames(1, 1000));
  EXPECT_EQ(sim.Engine().Frames(), (std::vector<Bytes>{{0x04, 0xD0, 0x04, 0x00, 0xFF, 0x28}}));
}

// Input that makes no frame, twice with no valid frame between, makes the engine suspect (the
// reader then checks it); a decode between two such runs is an answer.
TEST(LineReader, TwoRunsOfInputThatMakeNoFrameInARowMakeTheEngineSuspect) {
  SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start());
  std::atomic<int> suspect{0};
  sim.Link().Health().SetHandler(CountSuspect, &suspect);
  const Bytes garbage = {0xF8, 0xFF, 0xFE, 0xFF};
  const Bytes decode = {0x09, 0xF3, 0x00, 0x00, 0x01, 0x31, 0x32, 0x33, 0x34, 0xFE, 0x39};
  for (const Bytes &bytes : {garbage, decode, garbage}) {
    sim.Engine().Send(bytes);
    platform::Sleep(300);
  }
  EXPECT_EQ(suspect, 0);
  sim.Engine().Send(garbage);
  const uint64_t limit = platform::NowMs() + 2000;
  while (suspect == 0 && platform::NowMs() < limit) platform::Sleep(10);
  EXPECT_EQ(suspect, 1);
}

}  // namespace
}  // namespace bcr
