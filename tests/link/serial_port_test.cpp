#include "link/serial_port.h"
#include "reader/globals.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;
using test::FromBytes;
using test::SimLink;

std::unique_ptr<bcrsim::Engine> Engine955(uint32_t speed = 38400) {
  return bcrsim::Engine::SE955().Speed(speed).Start();
}

TEST(OpenPort, MissingDeviceFailsAndRecordsTheError) {
  setenv("BCREADER_COM2", "/nonexistent/ttyBCR", 1);
  EngineLink link;
  link.portNumber = 2;
  EXPECT_EQ(OpenPort(link), 0);
  EXPECT_EQ(link.port, nullptr);
  EXPECT_EQ(link.lastError, static_cast<uint32_t>(ENOENT));
}

TEST(OpenPort, IsExclusiveUntilClosed) {
  SimLink first(Engine955());
  EngineLink second;
  second.portNumber = 2;
  EXPECT_EQ(OpenPort(second), 0);
  EXPECT_EQ(second.lastError, static_cast<uint32_t>(EBUSY));
  ClosePort(first.Link());
  EXPECT_EQ(first.Link().port, nullptr);
  ClosePort(first.Link());  // a closed link stays as it is
  EXPECT_EQ(OpenPort(second), 1);
  ClosePort(second);
}

TEST(SetPortSpeed, SetsEightNoneOneWithoutFlowControlAndRecordsASpeedThePortRefuses) {
  SimLink sim(Engine955());
  EXPECT_EQ(SetPortSpeed(sim.Link(), 12345), 0);
  EXPECT_EQ(sim.Link().portSpeed, 12345u);
  EXPECT_EQ(sim.Link().lastError, static_cast<uint32_t>(EINVAL));
  platform::LineSettings line;
  ASSERT_TRUE(platform::PortGetLine(sim.Link().port, &line));
  EXPECT_EQ(line.baudRate, 38400u);
  ASSERT_EQ(SetPortSpeed(sim.Link(), 115200), 1);
  ASSERT_TRUE(platform::PortGetLine(sim.Link().port, &line));
  EXPECT_EQ(line.baudRate, 115200u);
  EXPECT_EQ(line.byteSize, 8);
  EXPECT_EQ(line.parity, 0);
  EXPECT_EQ(line.stopBits, 0);
  EXPECT_FALSE(line.ctsFlow);
  EXPECT_EQ(sim.Link().portSpeed, 115200u);
}

TEST(SetPortTimeout, WritesOnlyAChangedValueOfAKnownDirection) {
  SimLink sim(Engine955());
  EngineLink &link = sim.Link();
  EXPECT_EQ(SetPortTimeout(link, 250, 'r'), 1);
  EXPECT_EQ(SetPortTimeout(link, 250, 'r'), 0);
  EXPECT_EQ(SetPortTimeout(link, 250, 'w'), 1);
  EXPECT_EQ(SetPortTimeout(link, 999, 'x'), 0);
  platform::PortTimeouts timeouts;
  ASSERT_TRUE(platform::PortGetTimeouts(link.port, &timeouts));
  EXPECT_EQ(timeouts.readConstant, 250u);
  EXPECT_EQ(timeouts.readInterval, 0u);
  EXPECT_EQ(timeouts.readMultiplier, 0u);
  EXPECT_EQ(timeouts.writeConstant, 250u);
}

TEST(ReadPortByte, TimesOutWithAZeroByte) {
  SimLink sim(Engine955());
  SetPortTimeout(sim.Link(), 60, 'r');
  uint8_t byte = 0x55;
  uint64_t start = platform::NowMs();
  EXPECT_EQ(ReadPortByte(sim.Link(), &byte), 0);
  uint64_t elapsed = platform::NowMs() - start;
  EXPECT_EQ(byte, 0);
  EXPECT_GE(elapsed, 50u);
  EXPECT_LT(elapsed, 2000u);
}

TEST(ReadPortByte, DeliversEveryByteInOrder) {
  SimLink sim(Engine955(115200));
  Bytes sent;
  for (int i = 0; i < 1500; ++i) sent.push_back(static_cast<uint8_t>(i * 7));
  for (size_t i = 0; i < sent.size(); i += 250) {
    sim.TheReader().Send(Bytes(sent.begin() + i, sent.begin() + std::min(sent.size(), i + 250)));
  }
  SetPortTimeout(sim.Link(), 500, 'r');
  Bytes got;
  uint8_t byte;
  while (got.size() < sent.size() && ReadPortByte(sim.Link(), &byte)) got.push_back(byte);
  EXPECT_EQ(got, sent);
}

TEST(WritePortFrame, DiscardsWhatArrivedBeforeItAndSendsTheLowByteOfEveryUnit) {
  SimLink sim(Engine955());
  sim.TheReader().Send({0x01, 0x02, 0x03});
  ASSERT_TRUE(sim.TheReader().WaitIdle(1000));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  SetPortTimeout(sim.Link(), 1000, 'w');
  EXPECT_EQ(WritePortFrame(sim.Link(), FromBytes({0x00})), 1);
  SetPortTimeout(sim.Link(), 100, 'r');
  uint8_t byte;
  EXPECT_EQ(ReadPortByte(sim.Link(), &byte), 0);
  // What arrives after the write is read.
  sim.TheReader().Send({0x42});
  SetPortTimeout(sim.Link(), 1000, 'r');
  EXPECT_EQ(ReadPortByte(sim.Link(), &byte), 1);
  EXPECT_EQ(byte, 0x42);
  WString frame;
  for (uint16_t unit : {0x0104, 0x01A3, 0x0004, 0x0000, 0x02FF, 0x0055}) frame.AppendUnit(unit);
  EXPECT_EQ(WritePortFrame(sim.Link(), frame), 1);
  ASSERT_TRUE(sim.TheReader().WaitForFrames(1, 2000));
  EXPECT_EQ(sim.TheReader().Frames().front(), (Bytes{0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55}));
}

TEST(WritePortFrame, FailsOnAClosedLink) {
  EngineLink link;
  EXPECT_EQ(WritePortFrame(link, FromBytes({0x00})), 0);
  EXPECT_NE(link.lastError, 0u);
}

TEST(ReadPortByte, FailsAtOnceWhenTheLineHangsUp) {
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  ASSERT_NE(engine, nullptr);
  setenv("BCREADER_COM2", engine->Path().c_str(), 1);
  EngineLink link;
  link.portNumber = 2;
  ASSERT_EQ(OpenPort(link), 1);
  engine.reset();
  SetPortTimeout(link, 2000, 'r');
  uint8_t byte;
  uint64_t start = platform::NowMs();
  EXPECT_EQ(ReadPortByte(link, &byte), 0);
  EXPECT_LT(platform::NowMs() - start, 1000u);
  EXPECT_EQ(link.lastError, static_cast<uint32_t>(EIO));
  ClosePort(link);
}

}  // namespace
}  // namespace bcr
