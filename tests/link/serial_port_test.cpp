#include "link/serial_port.h"
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

TEST(PortOpen, MissingDeviceFailsAndRecordsTheError) {
  setenv("BCREADER_COM2", "/nonexistent/ttyBCR", 1);
  LinkHealth health;
  SerialPort port(health);
  EXPECT_FALSE(port.Open(2));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(ENOENT));
}

TEST(PortOpen, IsExclusiveUntilClosed) {
  SimLink first(bcrsim::Engine::SE955().Speed(38400).Start());
  EngineLink second;
  second.SetPortNumber(2);
  EXPECT_FALSE(second.Open());
  EXPECT_EQ(second.Port().LastError(), static_cast<uint32_t>(EBUSY));
  first.Link().Close();
  EXPECT_FALSE(first.Link().IsOpen());
  first.Link().Close();  // a closed link stays as it is
  EXPECT_TRUE(second.Open());
  second.Close();
}

// Nothing that arrived is purged by a write: the line reader reads it all.
TEST(PortWrite, KeepsWhatArrivedBeforeItAndSendsTheFrameAsItIs) {
  SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start(), false);
  sim.Engine().Send({0x01, 0x02, 0x03});
  ASSERT_TRUE(sim.Engine().WaitIdle(1000));
  SerialPort &port = sim.Link().Port();
  // The bytes wait on the host's side before the write: a write that wants a quiet line says so.
  Written quiet = Written::kWritten;
  for (const uint64_t end = platform::NowMs() + 1000;
       quiet != Written::kInputArriving && platform::NowMs() < end;) {
    platform::Sleep(1);
    quiet = port.Write(Bytes{0x00}, 100, true);
  }
  ASSERT_EQ(quiet, Written::kInputArriving);
  EXPECT_EQ(port.Write(Bytes{0x00}, 100), Written::kWritten);
  uint8_t byte;
  EXPECT_EQ(port.ReadByte(&byte, 100), ByteRead::kGot);
  EXPECT_EQ(byte, 0x01);
  EXPECT_EQ(port.Write(Bytes{0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55}, 100), Written::kWritten);
  ASSERT_TRUE(sim.Engine().WaitForFrames(1, 2000));
  EXPECT_EQ(sim.Engine().Frames().front(), (Bytes{0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55}));
}

// What the line needs beyond its speed, which the pseudo-terminal of the simulator ignores.
TEST(PortSpeed, SetsEightNoneOneWithoutFlowControl) {
  SimLink sim(bcrsim::Engine::SE955().Speed(38400).Start());
  ASSERT_TRUE(sim.Link().Port().SetSpeed(115200));
  platform::LineSettings line;
  ASSERT_TRUE(sim.Link().Port().Line(&line));
  EXPECT_EQ(line.baudRate, 115200u);
  EXPECT_EQ(line.byteSize, 8);
  EXPECT_EQ(line.parity, 0);
  EXPECT_EQ(line.stopBits, 0);
  EXPECT_FALSE(line.ctsFlow);
}

}  // namespace
}  // namespace bcr
