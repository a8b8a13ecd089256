// The engine simulator seen from the host's side of the line: these tests open its slave device
// with plain termios calls and compare the bytes on the wire.
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

constexpr int kSilenceMs = 300;

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

  void Write(const Bytes &bytes) {
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // A wake byte, then the frame, as the library sends a command (its 100 ms pause shortened).
  void Command(const Bytes &frame) {
    Write({0x00});
    Write(frame);
  }

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
  Bytes Silence() { return Read(1, kSilenceMs); }

 private:
  int fd_ = -1;
};

const Bytes kRevisionRequest{0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55};
const Bytes kContinuationAck{0x04, 0xD0, 0x04, 0x03, 0xFF, 0x25};
const Bytes kEngineAck{0x04, 0xD0, 0x00, 0x00, 0xFF, 0x2C};
const Bytes kNak{0x05, 0xD1, 0x00, 0x00, 0x01, 0xFF, 0x29};

TEST(SimFrames, ChecksumIsTwosComplementHighByteFirst) {
  EXPECT_EQ(WithChecksum({0x04, 0xA3, 0x04, 0x00}), kRevisionRequest);
  EXPECT_EQ(WithChecksum({0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x0B}),
            (Bytes{0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x0B, 0xFD, 0x81}));
  EXPECT_EQ(WithChecksum({0x07, 0xC7, 0x04, 0x00, 0x09, 0x1A, 0x1B}),
            (Bytes{0x07, 0xC7, 0x04, 0x00, 0x09, 0x1A, 0x1B, 0xFE, 0xF0}));
}

TEST(SimIdentify, AnswersRevisionOnlyAtItsOwnSpeed) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 38400);
  line.Command(kRevisionRequest);
  const Bytes reply = line.Read(22);
  ASSERT_EQ(reply.size(), 22u);
  EXPECT_EQ(reply[0], 0x14);
  EXPECT_EQ(reply[1], 0xA4);
  EXPECT_EQ(reply[15], 0x98);
  EXPECT_EQ(WithChecksum(Bytes(reply.begin(), reply.begin() + 20)), reply);
  EXPECT_TRUE(line.Silence().empty());

  line.SetSpeed(9600);
  line.Command(kRevisionRequest);
  EXPECT_TRUE(line.Silence().empty());
  EXPECT_EQ(engine->GarbageBytes(), 7u);
  EXPECT_EQ(engine->Frames().size(), 1u);
}

TEST(SimIdentify, ImagerRevisionCarriesItsMarkerAfterTheHeader) {
  auto engine = Engine::Imager4507().Speed(115200).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 115200);
  line.Command(kRevisionRequest);
  const Bytes reply = line.Read(2);
  ASSERT_EQ(reply.size(), 2u);
  const Bytes rest = line.Read(reply[0]);
  ASSERT_EQ(rest.size(), reply[0]);
  EXPECT_EQ(std::string(rest.begin() + 2, rest.begin() + 7), "PAAAA");
}

TEST(SimSpeed, ChangeIsAnsweredAtTheOldSpeedThenTheNewOneIsUsed) {
  auto engine = Engine::SE955().Speed(9600).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 9600);
  line.Command({0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x08, 0xFD, 0x84});
  EXPECT_EQ(line.Read(6), kEngineAck);
  EXPECT_EQ(engine->Speed(), 38400u);
  EXPECT_EQ(engine->Param(0x9C), 0x08u);

  line.Command(kRevisionRequest);
  EXPECT_TRUE(line.Silence().empty());
  line.SetSpeed(38400);
  line.Command(kRevisionRequest);
  EXPECT_EQ(line.Read(22).size(), 22u);
}

TEST(SimDecode, NextPacketWaitsForTheContinuationAck) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 38400);
  Decode decode;
  decode.data = {'A', 'B', 'C', 'D', 'E', 'F'};
  decode.packetData = 3;
  engine->SendDecode(decode);
  EXPECT_EQ(line.Read(10), (Bytes{0x08, 0xF3, 0x00, 0x02, 0x01, 0x41, 0x42, 0x43, 0xFE, 0x3C}));
  EXPECT_TRUE(line.Silence().empty());
  line.Write(kContinuationAck);
  EXPECT_EQ(line.Read(10), (Bytes{0x08, 0xF3, 0x00, 0x00, 0x01, 0x44, 0x45, 0x46, 0xFE, 0x35}));
  EXPECT_EQ(engine->ContinuationAcks(), 1u);
  EXPECT_TRUE(engine->WaitIdle(1000));

  // A command instead of the acknowledgement ends the decode.
  engine->SendDecode(decode);
  EXPECT_EQ(line.Read(10).size(), 10u);
  line.Command(kRevisionRequest);
  EXPECT_EQ(line.Read(22).size(), 22u);
  line.Write(kContinuationAck);
  EXPECT_TRUE(line.Silence().empty());
}

TEST(SimDecode, FormatsOfBothEngines) {
  auto imager = Engine::Imager4507().Speed(115200).Start();
  ASSERT_TRUE(imager);
  Line line(imager->Path(), 115200);
  Decode decode;
  decode.codeType = 0x1C;
  decode.data = {'A', 'B'};
  decode.format = Format::Format99;
  decode.packetData = 1;
  imager->SendDecode(decode);
  EXPECT_EQ(line.Read(13),
            (Bytes{0x0B, 0xF3, 0x00, 0x02, 0x99, 0x1C, 0x00, 0x00, 0x00, 0x00, 0x41, 0xFE, 0x0A}));
  line.Write(kContinuationAck);
  EXPECT_EQ(line.Read(8), (Bytes{0x06, 0xF3, 0x00, 0x00, 0x00, 0x42, 0xFE, 0xC5}));

  // The SE955 sends the 0x99 format in one packet whatever the split asked for.
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  Line se955(engine->Path(), 38400);
  decode.data = {0x41, 0x00, 0x01, 0x02, 0x42};
  decode.packetData = 2;
  engine->SendDecode(decode);
  EXPECT_EQ(se955.Read(14), (Bytes{0x0C, 0xF3, 0x00, 0x00, 0x99, 0x1C, 0x00, 0x41, 0x00, 0x01, 0x02,
                                   0x42, 0xFD, 0xC6}));
  EXPECT_TRUE(se955.Silence().empty());
}

TEST(SimDecode, LongDataIsSplitAtTheLongestFrame) {
  auto engine = Engine::SE955().Speed(38400).Paced(false).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 38400);
  Decode decode;
  decode.data.assign(300, 'x');
  engine->SendDecode(decode);
  const Bytes first = line.Read(257);
  ASSERT_EQ(first.size(), 257u);
  EXPECT_EQ(first[0], 0xFF);
  EXPECT_EQ(first[3], 0x02);
  line.Write(kContinuationAck);
  const Bytes second = line.Read(57);
  ASSERT_EQ(second.size(), 57u);
  EXPECT_EQ(second[0], 0x37);
  EXPECT_EQ(second[3], 0x00);
}

TEST(SimDecode, FaultsShapeTheWireBytes) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 38400);
  Decode decode;
  decode.data = {'1', '2', '3', '4'};
  decode.strayBefore = {0xAA, 0xBB};
  decode.firstLength = 0x30;
  decode.cutAfter = 6;
  engine->SendDecode(decode);
  EXPECT_EQ(line.Read(9, kSilenceMs), (Bytes{0xAA, 0xBB, 0x30, 0xF3, 0x00, 0x00, 0x01, 0x31}));
}

TEST(SimPacing, NextPacketWaitsForTheWireTimeOfThePrevious) {
  auto engine = Engine::SE955().Speed(9600).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 9600);
  engine->Send(Bytes(192, 0x55));  // 200 ms at 9600 bit/s
  engine->Send({0x66});
  ASSERT_EQ(line.Read(192).size(), 192u);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(line.Read(1), Bytes{0x66});
  EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  EXPECT_TRUE(engine->WaitIdle(100));
}

TEST(SimDecode, StartDecodeReleasesTheQueuedDecodeAfterItsAck) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 38400);
  Decode decode;
  decode.data = {'1', '2', '3', '4'};
  engine->OnStartDecode(decode);
  EXPECT_TRUE(line.Silence().empty());
  line.Command({0x04, 0xE4, 0x04, 0x00, 0xFF, 0x14});
  EXPECT_EQ(line.Read(17), (Bytes{0x04, 0xD0, 0x00, 0x00, 0xFF, 0x2C, 0x09, 0xF3, 0x00, 0x00, 0x01,
                                  0x31, 0x32, 0x33, 0x34, 0xFE, 0x39}));
}

TEST(SimParams, RequestIsAnsweredFromTheStoreAndSendUpdatesIt) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 38400);
  engine->SetParam(0xF098, 1);
  engine->SetParam(0xF4F137, 300);
  // 0x88 from the defaults, an extended number, a word, and 0x55 that the store lacks.
  line.Command({0x0B, 0xC7, 0x04, 0x00, 0x88, 0xF0, 0x98, 0xF4, 0xF1, 0x37, 0x55, 0xFA, 0xA9});
  EXPECT_EQ(line.Read(19), (Bytes{0x11, 0xC6, 0x00, 0x00, 0xFF, 0x88, 0x1E, 0xF0, 0x98, 0x01, 0xF4,
                                  0xF1, 0x37, 0x01, 0x2C, 0x55, 0x00, 0xF9, 0x5D}));

  line.Command({0x0F, 0xC6, 0x04, 0x08, 0xFF, 0x09, 0x00, 0xF0, 0x98, 0x01, 0xF4, 0xF0, 0xA7, 0x01,
                0x2C, 0xF9, 0xD6});
  EXPECT_EQ(line.Read(6), kEngineAck);
  EXPECT_EQ(engine->Param(0x09), 0u);
  EXPECT_EQ(engine->Param(0xF098), 1u);
  EXPECT_EQ(engine->Param(0xF4F0A7), 300u);
  EXPECT_EQ(engine->Speed(), 38400u);
}

TEST(SimFaults, NakSilenceAndBadChecksum) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  Line line(engine->Path(), 38400);
  engine->NakNext(1);
  line.Command(kRevisionRequest);
  EXPECT_EQ(line.Read(7), kNak);
  line.Command(kRevisionRequest);
  EXPECT_EQ(line.Read(22).size(), 22u);

  line.Command({0x04, 0xA3, 0x04, 0x00, 0xFF, 0x56});
  EXPECT_EQ(line.Read(7), kNak);

  // A refused speed change leaves the speed alone.
  engine->SetNakAll(true);
  line.Command({0x07, 0xC6, 0x04, 0x08, 0xFF, 0x9C, 0x0B, 0xFD, 0x81});
  EXPECT_EQ(line.Read(7), kNak);
  EXPECT_EQ(engine->Speed(), 38400u);

  engine->SetSilent(true);
  line.Command(kRevisionRequest);
  EXPECT_TRUE(line.Silence().empty());
}

TEST(SimRecord, KeepsEveryByteAndFrameAcrossReopening) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  {
    Line line(engine->Path(), 38400);
    line.Command(kRevisionRequest);
    EXPECT_EQ(line.Read(22).size(), 22u);
  }
  // The device outlives the host closing it.
  Line line(engine->Path(), 38400);
  line.Command({0x04, 0xE5, 0x04, 0x00, 0xFF, 0x13});
  EXPECT_EQ(line.Read(6), kEngineAck);
  EXPECT_EQ(engine->Received(), (Bytes{0x00, 0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55, 0x00, 0x04, 0xE5,
                                       0x04, 0x00, 0xFF, 0x13}));
  EXPECT_EQ(engine->Frames(),
            (std::vector<Bytes>{kRevisionRequest, {0x04, 0xE5, 0x04, 0x00, 0xFF, 0x13}}));
  engine->ClearRecord();
  EXPECT_TRUE(engine->Received().empty());
  EXPECT_FALSE(engine->WaitForFrames(1, 50));
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
