// A decode from the engine to the application, through the exported functions: the synchronous
// read, and the triggered read delivered by broadcast and named event.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <semaphore.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "sim/engine.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

using Bytes = std::vector<uint8_t>;

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

class DecodePath : public SimReader {
 protected:
  void Start(std::unique_ptr<bcrsim::Engine> sim, const char *kind,
             const std::string &keyboard = "none") {
    SimReader::Start(std::move(sim), kind, {{"BCREADER_KEYBOARD", keyboard}});
    ASSERT_FALSE(HasFatalFailure());
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

  // Pumps until the test window has seen count broadcasts, or the time is up.
  bool PumpUntilDelivered(int count, int ms) {
    return PumpUntil([count] { return deliveries.count >= count; }, ms);
  }
  int EventCount() {
    int count = 0;
    while (sem_trywait(event_) == 0) ++count;
    return count;
  }

  BcrWindow window_ = nullptr;
  sem_t *event_ = SEM_FAILED;
};

TEST_F(DecodePath, SynchronousReadOnTheWire) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  engine_->OnStartDecode(Decoding("12345", 0x01));
  uint32_t codeType = 0;
  char buffer[64];
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "12345");
  EXPECT_EQ(codeType, 65u);  // Code 39: 'A'
  EXPECT_EQ(engine_->Received(),
            Concat({kWake, kStartDecode, kWake, kDecodeAck, kWake, kStopDecode}));
}

TEST_F(DecodePath, SynchronousReadIntoShortBuffersAndWithoutCodeType) {
  Start(bcrsim::Engine::Imager4507().Speed(115200).Start(), "3");
  engine_->OnStartDecode(Decoding("QR-CONTENT", 0x1C));
  char buffer[4];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(nullptr, buffer, 1), 10);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], 'x');
  EXPECT_EQ(BCR_FN(library_, GetDecodeType)(),
            0);  // a null code type leaves the published one alone
  engine_->OnStartDecode(Decoding("QR-CONTENT", 0x1C));
  uint32_t codeType = 0;
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, sizeof buffer), 10);
  EXPECT_STREQ(buffer, "QR-");
  EXPECT_EQ(codeType, 111u);  // QR Code: 'o'
}

TEST_F(DecodePath, SynchronousReadWithoutADecodeReturnsNothing) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  char record[16];
  engine_->OnStartDecode(Decoding("R1", 0x01));
  ASSERT_EQ(BCR_FN(library_, ReadBarcodeData)(nullptr, record, sizeof record), 2);
  // Switched off, the read fails at once and says so; it read nothing, so the record stays.
  ASSERT_EQ(BCR_FN(library_, SetActiveDevice)(0), 1);
  uint32_t codeType = 99;
  char buffer[16] = "untouched";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, sizeof buffer), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(codeType, 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(BCR_FN(library_, GetOutputRecord)(7, record, sizeof record), 2);
  // A read that waits out its time (3 s after load) leaves the buffer and empties the record.
  ASSERT_EQ(BCR_FN(library_, SetActiveDevice)(7), 1);
  std::strcpy(buffer, "untouched");
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, sizeof buffer), 0);
  EXPECT_EQ(codeType, 0u);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(BCR_FN(library_, GetOutputRecord)(7, record, sizeof record), 0);
}

// "WM_DECODE" delivers with wParam 2 only. Another module's post names no decode (lParam 0): it
// delivers the current record, before any decode the empty one.
TEST_F(DecodePath, TriggerPressDeliversOneBroadcastAndOneEventAndOtherMessagesNone) {
  const std::string keys = scratch_.File("keys");
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1", "record:" + keys);
  int32_t output = 1;
  ASSERT_EQ(BCR_FN(library_, DataOutputSettings)('w', &output, nullptr, nullptr, nullptr, nullptr,
                                                 nullptr, 0, nullptr, 0),
            1);
  const std::string kEnter = "keybd_event 13 0 0\nkeybd_event 13 0 2\n";
  Post("WM_DECODE", 2);
  ASSERT_TRUE(PumpUntilDelivered(1, 2000));
  EXPECT_EQ(ReadFile(keys), kEnter);
  EXPECT_EQ(EventCount(), 1);
  unlink(keys.c_str());
  Post("WM_USER1DOWN");
  Pump(100);
  engine_->SendDecode(Decoding("ABC-128", 0x03));
  ASSERT_TRUE(PumpUntilDelivered(2, 5000));
  EXPECT_EQ(deliveries.lastWParam, 7u);
  EXPECT_EQ(EventCount(), 1);
  EXPECT_EQ(DecodeData(), "ABC-128");
  EXPECT_EQ(BCR_FN(library_, GetDecodeType)(), 73);  // Code 128: 'I'
  // The engine got the acknowledgement after a wake byte, and no command (it reads it a moment
  // after the decode was published).
  PumpUntil([this] { return engine_->Received().size() >= 7; }, 1000);
  EXPECT_EQ(engine_->Received(), Concat({kWake, kDecodeAck}));
  const std::string typed = "post 128 65,66,67,45,49,50,56 128,128,128,128,128,128,128\n" + kEnter;
  EXPECT_EQ(ReadFile(keys), typed);

  // Swallowed: any other wParam (1 is also the sequence number of the load's first decode). The
  // image message is passed on. Dispatched in order: once the last post is delivered, all were.
  unlink(keys.c_str());
  for (uintptr_t wParam : {0, 1, 3}) Post("WM_DECODE", wParam);
  Post("WM_USER1UP");
  Post("WM_DECODEIMG", 5);
  Post("WM_DECODE", 2);
  EXPECT_TRUE(PumpUntil([] { return deliveries.count >= 3 && deliveries.images >= 1; }, 2000));
  EXPECT_EQ(deliveries.count, 3);
  EXPECT_EQ(deliveries.images, 1);
  EXPECT_EQ(EventCount(), 1);
  EXPECT_EQ(ReadFile(keys), typed);
}

TEST_F(DecodePath, PressesDuringAReceptionCauseExactlyOneMore) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  Post("WM_USER1DOWN");
  Pump(150);  // the reception has begun: the next presses find the decode thread busy
  Post("WM_USER2DOWN");
  Post("WM_USER1DOWN");
  Pump(50);
  engine_->SendDecode(Decoding("FIRST", 0x01));
  ASSERT_TRUE(PumpUntilDelivered(1, 5000));
  Pump(300);
  engine_->SendDecode(Decoding("SECOND", 0x01));
  ASSERT_TRUE(PumpUntilDelivered(2, 5000));
  Pump(300);
  engine_->SendDecode(Decoding("THIRD", 0x01));
  Pump(1500);
  EXPECT_EQ(deliveries.count, 2);
  EXPECT_EQ(DecodeData(), "SECOND");
  // Every decode is acknowledged, the one that no press asked for too.
  size_t acks = 0;
  for (const Bytes &frame : engine_->Frames()) acks += frame == kDecodeAck;
  EXPECT_EQ(acks, 3u);
}

// On the SE955 trigger mode 7 is no continuous mode: a press starts a read, and an option call
// made during that reception goes ahead at once without costing the press its decode.
TEST_F(DecodePath, SE955TriggerModeSevenPressReadsWhileAnOptionCallGoesAhead) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  int32_t mode = 7;
  ASSERT_EQ(BCR_FN(library_, UserPreferences_1D_SE955)('w', nullptr, nullptr, nullptr, nullptr,
                                                       nullptr, nullptr, &mode),
            1);
  EXPECT_EQ(engine_->Param(0x8A), 7u);
  engine_->ClearRecord();
  Post("WM_USER1DOWN");
  Pump(200);
  int32_t length = 9;
  EXPECT_EQ(BCR_FN(library_, Code93_1D_SE955)('w', nullptr, &length, nullptr), 1);
  EXPECT_EQ(deliveries.count, 0);
  engine_->SendDecode(Decoding("SEVEN", 0x01));
  EXPECT_TRUE(PumpUntilDelivered(1, 5000));
  EXPECT_EQ(DecodeData(), "SEVEN");
  EXPECT_EQ(engine_->Param(0x1A), 9u);
  // The decode is published once acknowledged; the engine reads the acknowledgement a moment later.
  const auto acks = [this] {
    const std::vector<Bytes> frames = engine_->Frames();
    return std::count(frames.begin(), frames.end(), kDecodeAck);
  };
  EXPECT_TRUE(PumpUntil([&acks] { return acks() >= 1; }, 1000));
  Pump(200);
  EXPECT_EQ(acks(), 1);
}

// A busy message loop costs no scan: the press's line is drawn when it was posted, so a scan that
// came after the post but before the loop dispatched the press is its answer, not stale input.
TEST_F(DecodePath, PressDispatchedLateTakesTheScanThatCameAfterItsPost) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  Post("WM_USER1DOWN");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  engine_->SendDecode(Decoding("LATE", 0x01));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ASSERT_TRUE(PumpUntilDelivered(1, 5000));
  EXPECT_EQ(DecodeData(), "LATE");
}

// A press that reads nothing posts nothing and leaves GetDecodeData; its reception empties the
// record's data as it ends, while the other pieces stay (the decode type is GetDecodeType's).
TEST_F(DecodePath, TriggerPressWithoutADecodePostsNothingAndEmptiesTheRecordData) {
  for (const bool se955 : {true, false}) {
    SCOPED_TRACE(se955 ? "SE955" : "4507");
    int32_t tenths = 5, on = 1;  // receptions of 500 ms
    if (se955) {
      Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
      ASSERT_EQ(BCR_FN(library_, UserPreferences_1D_SE955)('w', &tenths, nullptr, nullptr, nullptr,
                                                           nullptr, nullptr, nullptr),
                1);
    } else {
      Start(bcrsim::Engine::Imager4507().Speed(115200).Start(), "3");
      ASSERT_EQ(BCR_FN(library_, UserPreferences_2D_4507)('w', &tenths, nullptr, nullptr), 1);
    }
    char prefix[] = "AB", record[16];
    ASSERT_EQ(BCR_FN(library_, DataOutputSettings)('w', nullptr, nullptr, nullptr, &on, &on, prefix,
                                                   0, nullptr, 0),
              1);
    Post("WM_USER1DOWN");
    Pump(100);
    engine_->SendDecode(Decoding("FIRST", 0x01));
    ASSERT_TRUE(PumpUntilDelivered(1, 5000));
    EXPECT_EQ(EventCount(), 1);
    Post("WM_USER1DOWN");
    EXPECT_TRUE(PumpUntil(
        [&] { return BCR_FN(library_, GetOutputRecord)(7, record, sizeof record) == 7; }, 5000));
    EXPECT_STREQ(record, "A0002AB");
    BcrWideChar wide[16];
    EXPECT_EQ(BCR_FN(library_, GetOutputRecordWideChar)(7, wide, 16), 7);
    EXPECT_EQ(std::vector<BcrWideChar>(wide, wide + 8),
              std::vector<BcrWideChar>(record, record + 8));
    Pump(300);
    EXPECT_EQ(deliveries.count, 1);
    EXPECT_EQ(EventCount(), 0);
    EXPECT_EQ(DecodeData(), "FIRST");
    library_.Close();
  }
}

// The keyboard output mode picks how a delivered decode is typed: 2 key strokes, any other value
// but 0 characters.
TEST_F(DecodePath, KeyboardOutputModeChoosesKeysCharactersOrNothing) {
  const std::string keys = scratch_.File("keys");
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1", "record:" + keys);
  // "A1" and Enter: key strokes (Shift held for the capital), or one post of the characters.
  const char *const kKeys =
      "keybd_event 16 88 4\nkeybd_event 65 0 0\nkeybd_event 65 2 2\nkeybd_event 16 88 6\n"
      "keybd_event 16 88 6\nkeybd_event 49 0 0\nkeybd_event 49 0 2\nkeybd_event 13 0 0\n"
      "keybd_event 13 0 2\n";
  const char *const kCharacters =
      "post 128 65,49 128,128\nkeybd_event 13 0 0\nkeybd_event 13 0 2\n";
  const struct {
    int32_t mode;
    const char *typed;
  } kCases[] = {{2, kKeys}, {1, kCharacters}, {-1, kCharacters}, {0, nullptr}};
  int delivered = 0;
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.mode);
    unlink(keys.c_str());
    int32_t mode = c.mode;
    ASSERT_EQ(BCR_FN(library_, DataOutputSettings)('w', &mode, nullptr, nullptr, nullptr, nullptr,
                                                   nullptr, 0, nullptr, 0),
              1);
    engine_->OnStartDecode(Decoding("A1", 0x01));
    char buffer[8];
    ASSERT_EQ(BCR_FN(library_, ReadBarcodeData)(nullptr, buffer, sizeof buffer), 2);
    ASSERT_TRUE(PumpUntilDelivered(++delivered, 3000));
    std::string typed = ReadFile(keys);
    if (c.typed == nullptr) {
      EXPECT_EQ(typed, "");
    } else {
      EXPECT_EQ(typed, c.typed);
    }
  }
}

// An application's window of the reader's class name already holds the class.
TEST_F(DecodePath, InitReaderGoesOnWhenTheWindowClassExists) {
  engine_ = bcrsim::Engine::SE955().Speed(38400).Start();
  PointLibraryAt(engine_->Path(), "1", scratch_);
  library_.Open();
  deliveries = Deliveries();
  BcrWindow mine = BCR_FN(library_, BcrCreateWindow)("Quenrix", TestWindowProc);
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(BCR_FN(library_, InitReader)(), 1);
  EXPECT_EQ(BCR_FN(library_, GetActiveDevice)(), 7);
  engine_->OnStartDecode(Decoding("12345", 0x01));
  char buffer[16];
  EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(nullptr, buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "12345");
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
  key(191, 1);
  Pump(150);
  engine_->SendDecode(Decoding("SCANNED", 0x01));
  key(191, 0);
  EXPECT_TRUE(PumpUntilDelivered(1, 5000));
  EXPECT_EQ(DecodeData(), "SCANNED");
  close(keys);
}

}  // namespace
}  // namespace bcr::test
