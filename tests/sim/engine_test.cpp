// What the recovery tests take from the engine simulator for granted and cannot see themselves: a
// power cycle forgets the speed and the parameter store, so that the library has to give them
// back, and a port left at another speed reads what the engine sends as garbage. Its checksums,
// its link and its hang-up on a re-plug are relied on by every other test that talks to it, which
// fail when they go wrong.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "sim/engine.h"

namespace bcrsim {
namespace {

// The host's side of the engine's line, raw at a speed of its own.
class Port {
 public:
  Port(const Engine &engine, speed_t speed)
      : fd_(open(engine.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    termios settings{};
    tcgetattr(fd_, &settings);
    cfmakeraw(&settings);
    cfsetspeed(&settings, speed);
    tcsetattr(fd_, TCSANOW, &settings);
  }
  ~Port() { close(fd_); }

  // Everything that arrives once the engine has sent what it queued, until the line is quiet.
  Bytes ReadAll(Engine &engine) const {
    EXPECT_TRUE(engine.WaitIdle(5000));
    Bytes bytes;
    uint8_t buffer[512];
    pollfd fd{fd_, POLLIN, 0};
    while (poll(&fd, 1, 200) > 0) {
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
  }

 private:
  int fd_;
};

TEST(SimPower, CycleForgetsSpeedAndStore) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  const Port port(*engine, B38400);
  engine->SetParam(0x09, 0);
  engine->PowerCycle(300);
  EXPECT_FALSE(engine->PoweredOn());
  ASSERT_TRUE(engine->WaitPoweredOn(2000));
  EXPECT_EQ(engine->Speed(), 9600u);
  EXPECT_EQ(engine->Param(0x9C), 0x06u);
  EXPECT_EQ(engine->Param(0x09), 1u);
  EXPECT_EQ(engine->PowerCycles(), 1u);
  // Back at 9600 while the port stays at 38400: four bytes read for each byte sent.
  engine->Send({0xFF, 0x00});
  EXPECT_EQ(port.ReadAll(*engine), (Bytes{0xF8, 0xFF, 0xFF, 0xFF, 0xC0, 0xC0, 0xC0, 0xF0}));
}

TEST(SimLine, PortReadsTheFrameAtTheEngineSpeedAndGarbageAtAnother) {
  auto engine = Engine::SE955().Start();
  ASSERT_TRUE(engine);
  const Bytes frame{0x0D, 0xF3, 0x00, 0x00, 0x03, '1',  '2', '3',
                    '4',  '5',  '6',  '7',  '8',  0xFD, 0x59};
  Decode decode;
  decode.codeType = 0x03;
  decode.data = {'1', '2', '3', '4', '5', '6', '7', '8'};
  {
    const Port port(*engine, B9600);
    engine->SendDecode(decode);
    EXPECT_EQ(port.ReadAll(*engine), frame);
  }
  const Port fast(*engine, B38400);
  engine->SendDecode(decode);
  const Bytes garbage = fast.ReadAll(*engine);
  EXPECT_GE(garbage.size(), 3 * frame.size());
  EXPECT_LE(garbage.size(), 5 * frame.size());
  EXPECT_TRUE(std::all_of(garbage.begin(), garbage.end(), [](uint8_t b) { return b >= 0xC0; }));
  EXPECT_EQ(std::search(garbage.begin(), garbage.end(), frame.begin(), frame.end()), garbage.end());
}

TEST(SimLine, SlowerPortReadsABytePerSeveralFasterOneSeveralPerBit) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  {
    const Port slow(*engine, B9600);
    engine->Send(Bytes(10, 0xFF));
    engine->Send({0x00});
    EXPECT_EQ(slow.ReadAll(*engine), (Bytes{0xFE, 0xFE, 0xFE, 0xE0}));
  }
  engine->SetSpeed(9600);
  const Port fast(*engine, B115200);
  engine->Send({0x00});
  EXPECT_EQ(fast.ReadAll(*engine),
            (Bytes{0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xFF}));
}

}  // namespace
}  // namespace bcrsim
