// The continuation packets of a decode that do not go as planned: an acknowledgement the line no
// longer takes, and a packet that is no decode data.
#include <gtest/gtest.h>

#include <thread>

#include "link/receiver.h"
#include "platform/clock.h"
#include "reader/globals.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;
using test::ToBytes;

TEST(Continuation, FailedImagerAcknowledgementFailsTheDecodeAndForeignPacketsEndIt) {
  // The 4507's 0x99 format: the line hangs up after the first packet, while the receiver wakes
  // the engine for the acknowledgement. The decode is incomplete: it fails.
  {
    auto engine = bcrsim::Engine::Imager4507().Speed(115200).Start();
    ASSERT_NE(engine, nullptr);
    setenv("BCREADER_COM2", engine->Path().c_str(), 1);
    EngineLink link;
    link.portNumber = 2;
    link.deviceType = kImager4507;
    ASSERT_EQ(OpenPort(link), 1);
    ASSERT_EQ(SetPortSpeed(link, 115200), 1);
    bcrsim::Decode decode;
    decode.format = bcrsim::Format::Format99;
    decode.data = {'a', 'b', 'c', 'd', 'e', 'f'};
    decode.packetData = 3;
    engine->SendDecode(decode);
    std::thread hangUp([&engine] {
      // The wake byte comes once the first packet is read; the acknowledgement 100 ms later.
      const uint64_t limit = platform::NowMs() + 3000;
      while (engine->Received().empty() && platform::NowMs() < limit) platform::Sleep(1);
      engine.reset();
    });
    WString out;
    EXPECT_EQ(ReceiveFrame(link, out, 2000, kDecodeDataMode), 0);
    hangUp.join();
    ClosePort(link);
  }
  // The SE955: a continuation packet with another opcode ends the decode with what came before.
  test::SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start());
  bcrsim::Decode decode;
  decode.codeType = 0x03;
  decode.data = {'A', 'B', 'C', 'x', 'y', 'z'};
  decode.packetData = 3;
  decode.laterOpcode = 0xC6;
  sim.TheReader().SendDecode(decode);
  WString out;
  EXPECT_EQ(ReceiveFrame(sim.Link(), out, 2000, kDecodeDataMode), 1);
  EXPECT_EQ(ToBytes(out), (Bytes{0x03, 'A', 'B', 'C'}));
}

}  // namespace
}  // namespace bcr
