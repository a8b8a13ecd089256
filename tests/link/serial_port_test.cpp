#include "link/serial_port.h"
#include "link/link_internals.h"
#include "reader/globals.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/clock.h"
#include "platform/port.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;
using test::SimLink;

TEST(OpenPort, MissingDeviceFailsAndRecordsTheError) {
  setenv("BCREADER_COM2", "/nonexistent/ttyBCR", 1);
  EngineLink link;
  link.SetPortNumber(2);
  EXPECT_EQ(OpenPort(link), 0);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.LastError(), static_cast<uint32_t>(ENOENT));
}

TEST(OpenPort, IsExclusiveUntilClosed) {
  SimLink first(bcrsim::Engine::SE955().Speed(38400).Start());
  EngineLink second;
  second.SetPortNumber(2);
  EXPECT_EQ(OpenPort(second), 0);
  EXPECT_EQ(second.LastError(), static_cast<uint32_t>(EBUSY));
  ClosePort(first.Link());
  EXPECT_FALSE(first.Link().IsOpen());
  ClosePort(first.Link());  // a closed link stays as it is
  EXPECT_EQ(OpenPort(second), 1);
  ClosePort(second);
}

// Nothing that arrived is purged by a write: the line reader reads it all.
TEST(WritePortFrame, KeepsWhatArrivedBeforeItAndSendsTheFrameAsItIs) {
  SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start(), false);
  sim.Engine().Send({0x01, 0x02, 0x03});
  ASSERT_TRUE(sim.Engine().WaitIdle(1000));
  // The bytes wait on the host's side before the write.
  uint32_t waiting = 0;
  for (const uint64_t end = platform::NowMs() + 1000; waiting < 3 && platform::NowMs() < end;) {
    platform::Sleep(1);
    platform::PortInputWaiting(LinkInternals::Port(sim.Link()), &waiting);
  }
  ASSERT_EQ(waiting, 3u);
  EXPECT_EQ(WritePortFrame(sim.Link(), Bytes{0x00}, 100), 1);
  uint8_t byte;
  EXPECT_EQ(ReadPortByte(sim.Link(), &byte, 100), 1);
  EXPECT_EQ(byte, 0x01);
  EXPECT_EQ(WritePortFrame(sim.Link(), Bytes{0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55}, 100), 1);
  ASSERT_TRUE(sim.Engine().WaitForFrames(1, 2000));
  EXPECT_EQ(sim.Engine().Frames().front(), (Bytes{0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55}));
}

// What the line needs beyond its speed, which the pseudo-terminal of the simulator ignores.
TEST(SetPortSpeed, SetsEightNoneOneWithoutFlowControl) {
  SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start());
  ASSERT_EQ(SetPortSpeed(sim.Link(), 115200), 1);
  platform::LineSettings line;
  ASSERT_TRUE(platform::PortGetLine(LinkInternals::Port(sim.Link()), &line));
  EXPECT_EQ(line.baudRate, 115200u);
  EXPECT_EQ(line.byteSize, 8);
  EXPECT_EQ(line.parity, 0);
  EXPECT_EQ(line.stopBits, 0);
  EXPECT_FALSE(line.ctsFlow);
}

}  // namespace
}  // namespace bcr
