// What the other tests take from the engine simulator for granted: its checksums, and a device
// that opens like a serial port and goes away promptly, also in the middle of a decode.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "sim/engine.h"

namespace bcrsim {
namespace {

// The host's end: the slave device in raw mode at a given speed.
class Line {
 public:
  Line(const std::string &path, uint32_t speed) { Open(path, speed); }
  ~Line() { Close(); }

  void Open(const std::string &path, uint32_t speed) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd_, 0);
    SetSpeed(speed);
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  void SetSpeed(uint32_t speed) {
    const speed_t constant = speed == 9600     ? B9600
                             : speed == 38400  ? B38400
                             : speed == 115200 ? B115200
                                               : B19200;
    termios settings{};
    ASSERT_EQ(tcgetattr(fd_, &settings), 0);
    cfmakeraw(&settings);
    cfsetispeed(&settings, constant);
    cfsetospeed(&settings, constant);
    ASSERT_EQ(tcsetattr(fd_, TCSANOW, &settings), 0);
  }

  // A wake byte, then the frame, as the library sends a command (its pause left out).
  void Command(const Bytes &frame) {
    Bytes bytes{0x00};
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  Bytes Silence() { return Read(1, 300); }

  // Up to count bytes; returns early once count bytes arrived.
  Bytes Read(size_t count, int timeoutMs = 1000) {
    Bytes got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      uint8_t buffer[512];
      const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n > 0) got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }

 private:
  int fd_ = -1;
};

const Bytes kRevisionRequest{0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55};

TEST(SimFrames, ChecksumIsTwosComplementHighByteFirst) {
  EXPECT_EQ(WithChecksum({0x04, 0xA3, 0x04, 0x00}), kRevisionRequest);
  EXPECT_EQ(WithChecksum({0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x0B}),
            (Bytes{0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x0B, 0xFD, 0x81}));
  EXPECT_EQ(WithChecksum({0x07, 0xC7, 0x04, 0x00, 0x09, 0x1A, 0x1B}),
            (Bytes{0x07, 0xC7, 0x04, 0x00, 0x09, 0x1A, 0x1B, 0xFE, 0xF0}));
}

TEST(SimLifecycle, LinksTheDeviceAndStopsPromptlyMidDecode) {
  char dir[] = "/tmp/bcrsim-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string link = std::string(dir) + "/com2";
  auto engine = Engine::SE955().Speed(38400).Link(link).Start();
  ASSERT_TRUE(engine);
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(engine->Path(), target);

  Line line(link, 38400);
  Decode decode;
  decode.data.assign(10, 'z');
  decode.packetData = 2;
  engine->SendDecode(decode);
  EXPECT_EQ(line.Read(9).size(), 9u);
  EXPECT_FALSE(engine->WaitIdle(50));

  const auto start = std::chrono::steady_clock::now();
  engine.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_NE(access(link.c_str(), F_OK), 0);
  rmdir(dir);
}

TEST(SimPower, CycleForgetsSpeedAndStoreAndReplugMovesTheLink) {
  char dir[] = "/tmp/bcrsim-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string link = std::string(dir) + "/com2";
  auto engine = Engine::SE955().Speed(38400).Link(link).Start();
  ASSERT_TRUE(engine);
  engine->SetParam(0x09, 0);

  // Off: deaf for the pause, then at 9600 with its factory store on the same line.
  {
    Line line(link, 38400);
    engine->PowerCycle(300);
    EXPECT_FALSE(engine->PoweredOn());
    line.Command(kRevisionRequest);
    EXPECT_TRUE(line.Silence().empty());
    ASSERT_TRUE(engine->WaitPoweredOn(2000));
    line.Command(kRevisionRequest);
    EXPECT_TRUE(line.Silence().empty());
    line.SetSpeed(9600);
    line.Command(kRevisionRequest);
    EXPECT_EQ(line.Read(22).size(), 22u);
  }
  EXPECT_EQ(engine->Speed(), 9600u);
  EXPECT_EQ(engine->Param(0x9C), 0x06u);
  EXPECT_EQ(engine->Param(0x09), 1u);
  EXPECT_EQ(engine->PowerCycles(), 1u);

  // Re-plugged: the host's descriptor hangs up, the link goes, then names a new device.
  const int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  engine->Replug(400);
  pollfd p{fd, POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 1000), 1);
  EXPECT_NE(p.revents & POLLHUP, 0);
  close(fd);
  EXPECT_FALSE(engine->PoweredOn());
  ASSERT_TRUE(engine->WaitPoweredOn(3000));
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(engine->Path(), target);
  Line fresh(link, 9600);
  fresh.Command(kRevisionRequest);
  EXPECT_EQ(fresh.Read(22).size(), 22u);
  EXPECT_EQ(engine->PowerCycles(), 2u);
  engine.reset();
  EXPECT_NE(access(link.c_str(), F_OK), 0);
  rmdir(dir);
}

}  // namespace
}  // namespace bcrsim
