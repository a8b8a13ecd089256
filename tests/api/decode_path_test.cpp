// A decode from the engine to the application, through the exported functions: the synchronous
// read, and the triggered read delivered by broadcast and named event.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <semaphore.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "sim/engine.h"
#include "support/loaded_library.h"

namespace bcr::test {
namespace {

using Bytes = std::vector<uint8_t>;

bcrsim::Decode Decoding(uint8_t type, const std::string &text) {
  bcrsim::Decode decode;
  decode.codeType = type;
  decode.data.assign(text.begin(), text.end());
  return decode;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const Bytes kWake = {0x00};
const Bytes kStartDecode = {0x04, 0xE4, 0x04, 0x00, 0xFF, 0x14};
const Bytes kStopDecode = {0x04, 0xE5, 0x04, 0x00, 0xFF, 0x13};
const Bytes kDecodeAck = {0x04, 0xD0, 0x04, 0x00, 0xFF, 0x28};

// The broadcasts that reached the test's own window.
struct Deliveries {
  uint32_t decodeData = 0;
  uint32_t decodeImage = 0;
  int count = 0;
  int images = 0;
  uintptr_t lastWParam = 0;
};
Deliveries deliveries;

intptr_t TestWindowProc(BcrWindow, uint32_t msg, uintptr_t wParam, intptr_t) {
  if (msg == deliveries.decodeData) {
    ++deliveries.count;
    deliveries.lastWParam = wParam;
  } else if (msg == deliveries.decodeImage) {
    ++deliveries.images;
  }
  return 0;
}

class DecodePath : public ::testing::Test {
 protected:
  void Start(std::unique_ptr<bcrsim::Engine> sim, const char *kind) {
    engine_ = std::move(sim);
    ASSERT_NE(engine_, nullptr);
    PointLibraryAt(engine_->Path(), kind, scratch_);
    library_.Open();
    ASSERT_EQ(BCR_FN(library_, InitReader)(), 1);
    deliveries = Deliveries();
    deliveries.decodeData = BCR_FN(library_, BcrRegisterWindowMessage)("WM_DECODEDATA");
    deliveries.decodeImage = BCR_FN(library_, BcrRegisterWindowMessage)("WM_DECODEIMAGE");
    window_ = BCR_FN(library_, BcrCreateWindow)("DecodePathTest", TestWindowProc);
    ASSERT_NE(window_, nullptr);
    event_ = sem_open(EventName().c_str(), 0);
    ASSERT_NE(event_, SEM_FAILED);
    engine_->ClearRecord();
  }
  void TearDown() override {
    if (event_ == SEM_FAILED) return;
    sem_close(event_);
    sem_unlink(EventName().c_str());
  }

  void Post(const char *message, uintptr_t wParam = 0) {
    BcrWindow reader = BCR_FN(library_, BcrFindWindow)("Quenrix");
    ASSERT_EQ(BCR_FN(library_, BcrPostMessage)(
                  reader, BCR_FN(library_, BcrRegisterWindowMessage)(message), wParam, 0),
              1);
  }
  // Runs the messages of this thread's windows (the library's and the test's) for a while.
  void Pump(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) BCR_FN(library_, BcrDispatchMessages)(20);
  }
  // Pumps until the test window has seen count broadcasts, or the time is up.
  bool PumpUntilDelivered(int count, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (deliveries.count < count && std::chrono::steady_clock::now() < end) {
      BCR_FN(library_, BcrDispatchMessages)(20);
    }
    return deliveries.count >= count;
  }
  int EventCount() {
    int count = 0;
    while (sem_trywait(event_) == 0) ++count;
    return count;
  }
  std::string DecodeData() {
    char buffer[256];
    int32_t n = BCR_FN(library_, GetDecodeData)(buffer, sizeof buffer);
    return n < 0 ? "<" + std::to_string(n) + ">" : std::string(buffer);
  }

  std::unique_ptr<bcrsim::Engine> engine_;
  ScratchDir scratch_;
  LoadedLibrary library_{false};
  BcrWindow window_ = nullptr;
  sem_t *event_ = SEM_FAILED;
};

TEST_F(DecodePath, SynchronousReadOnTheWire) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  engine_->OnStartDecode(Decoding(0x01, "12345"));
  uint32_t codeType = 0;
  char buffer[64];
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "12345");
  EXPECT_EQ(codeType, 65u);  // Code 39: 'A'
  EXPECT_EQ(engine_->Received(),
            Concat({kWake, kStartDecode, kWake, kDecodeAck, kWake, kStopDecode}));
  // Delivered like a triggered read, except that GetDecodeData keeps the decode thread's last.
  EXPECT_TRUE(PumpUntilDelivered(1, 2000));
  EXPECT_EQ(deliveries.lastWParam, 7u);
  EXPECT_EQ(EventCount(), 1);
  EXPECT_EQ(DecodeData(), "");
  char record[64];
  EXPECT_EQ(BCR_FN(library_, GetOutputRecord)(7, record, sizeof record), 5);
  EXPECT_STREQ(record, "12345");
  EXPECT_EQ(BCR_FN(library_, GetDecodeType)(), 65);
}

TEST_F(DecodePath, SynchronousReadIntoShortBuffersAndWithoutCodeType) {
  Start(bcrsim::Engine::Imager4507().Speed(115200).Start(), "3");
  engine_->OnStartDecode(Decoding(0x1C, "QR-CONTENT"));
  char buffer[4];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(nullptr, buffer, 1), 10);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], 'x');
  EXPECT_EQ(BCR_FN(library_, GetDecodeType)(),
            0);  // a null code type leaves the published one alone
  engine_->OnStartDecode(Decoding(0x1C, "QR-CONTENT"));
  uint32_t codeType = 0;
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, sizeof buffer), 10);
  EXPECT_STREQ(buffer, "QR-");
  EXPECT_EQ(codeType, 111u);  // QR Code: 'o'
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, nullptr, 10), 0);
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, 0), 0);
}

TEST_F(DecodePath, SynchronousReadWithoutADecodeReturnsNothing) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  uint32_t codeType = 99;
  char buffer[16] = "untouched";
  // The decode wait is 3 s after load.
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, sizeof buffer), 0);
  EXPECT_EQ(codeType, 99u);
  EXPECT_STREQ(buffer, "untouched");
  // Switched off, the read fails at once and says so.
  ASSERT_EQ(BCR_FN(library_, SetActiveDevice)(0), 1);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, sizeof buffer), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(codeType, 0u);
  EXPECT_STREQ(buffer, "");
}

TEST_F(DecodePath, TriggerPressDeliversOneBroadcastAndOneEvent) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  Post("WM_USER1DOWN");
  Pump(100);
  engine_->SendDecode(Decoding(0x03, "ABC-128"));
  ASSERT_TRUE(PumpUntilDelivered(1, 5000));
  Pump(200);
  EXPECT_EQ(deliveries.count, 1);
  EXPECT_EQ(deliveries.lastWParam, 7u);
  EXPECT_EQ(EventCount(), 1);
  EXPECT_EQ(DecodeData(), "ABC-128");
  EXPECT_EQ(BCR_FN(library_, GetDecodeType)(), 73);  // Code 128: 'I'
  // The engine got the acknowledgement after a wake byte, and no command.
  EXPECT_EQ(engine_->Received(), Concat({kWake, kDecodeAck}));
}

TEST_F(DecodePath, PressesDuringAReceptionCauseExactlyOneMore) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  Post("WM_USER1DOWN");
  Pump(150);  // the reception has begun: the next presses find the decode thread busy
  Post("WM_USER2DOWN");
  Post("WM_USER1DOWN");
  Pump(50);
  engine_->SendDecode(Decoding(0x01, "FIRST"));
  ASSERT_TRUE(PumpUntilDelivered(1, 5000));
  Pump(300);
  engine_->SendDecode(Decoding(0x01, "SECOND"));
  ASSERT_TRUE(PumpUntilDelivered(2, 5000));
  Pump(300);
  engine_->SendDecode(Decoding(0x01, "THIRD"));
  Pump(1500);
  EXPECT_EQ(deliveries.count, 2);
  EXPECT_EQ(DecodeData(), "SECOND");
  size_t acks = 0;
  for (const Bytes &frame : engine_->Frames()) acks += frame == kDecodeAck;
  EXPECT_EQ(acks, 2u);
}

TEST_F(DecodePath, DecodeMessagesOtherThanTheReadersDeliverNothing) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  Post("WM_DECODE", 0);
  Post("WM_USER1UP");
  Pump(300);
  EXPECT_EQ(deliveries.count, 0);
  EXPECT_EQ(EventCount(), 0);
  Post("WM_DECODEIMG", 5);
  Pump(200);
  EXPECT_EQ(deliveries.images, 1);
  EXPECT_EQ(EventCount(), 0);
}

TEST_F(DecodePath, UnnamedCodeTypeIsDeliveredWithoutItsTypeByte) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  Post("WM_USER1DOWN");
  Pump(100);
  engine_->SendDecode(Decoding(0x0D, "XYZ"));
  ASSERT_TRUE(PumpUntilDelivered(1, 5000));
  EXPECT_EQ(DecodeData(), "XYZ");
  EXPECT_EQ(BCR_FN(library_, GetDecodeType)(), 0);
}

// The scan key of a Linux terminal, here an input device played by a FIFO carrying input events.
TEST_F(DecodePath, ScanKeyStartsARead) {
  std::string device = scratch_.File("scan-key");
  ASSERT_EQ(mkfifo(device.c_str(), 0600), 0);
  // Opened read-write so that the library's open does not wait for a writer.
  int keys = open(device.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(keys, 0);
  setenv("BCREADER_TRIGGER", (device + ":191").c_str(), 1);
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  unsetenv("BCREADER_TRIGGER");
  auto key = [&](uint16_t code, int32_t value) {
    struct input_event events[2] = {};
    events[0].type = EV_KEY;
    events[0].code = code;
    events[0].value = value;
    events[1].type = EV_SYN;
    ASSERT_EQ(write(keys, events, sizeof events), static_cast<ssize_t>(sizeof events));
  };
  key(KEY_A, 1);  // another key does nothing
  key(KEY_A, 0);
  Pump(300);
  EXPECT_EQ(deliveries.count, 0);
  key(191, 1);
  Pump(150);
  engine_->SendDecode(Decoding(0x01, "SCANNED"));
  key(191, 0);
  EXPECT_TRUE(PumpUntilDelivered(1, 5000));
  EXPECT_EQ(DecodeData(), "SCANNED");
  close(keys);
}

TEST_F(DecodePath, TriggerBeforeInitReaderDoesNothing) {
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  PointLibraryAt(engine->Path(), "1", scratch_);
  library_.Open();
  // No hidden window yet: there is nothing to post to.
  EXPECT_EQ(BCR_FN(library_, BcrFindWindow)("Quenrix"), nullptr);
  char buffer[8];
  EXPECT_EQ(BCR_FN(library_, GetDecodeData)(buffer, sizeof buffer), -101);
  EXPECT_EQ(BCR_FN(library_, GetDecodeType)(), -101);
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(nullptr, buffer, sizeof buffer), -101);
}

}  // namespace
}  // namespace bcr::test
