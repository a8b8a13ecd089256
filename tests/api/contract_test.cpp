// What an application observes through the exported functions, one table row per case and on both
// engines where both apply: the read functions' results, the output record, the frames on the
// wire, the keys typed and sounds played (recording sinks), the broadcasts and the named event.
#include <gtest/gtest.h>
#include <semaphore.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <tuple>

#include "sim/engine.h"
#include "support/private_bus.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

enum class Engine { kSE955, k4507 };

std::string Hex(const std::vector<bcrsim::Bytes> &frames) {
  std::string text;
  for (const bcrsim::Bytes &frame : frames) {
    for (size_t i = 0; i < frame.size(); ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%s%02X", i == 0 ? "" : " ", frame[i]);
      text += hex;
    }
    text += '|';
  }
  return text;
}

// The broadcasts that reach the test's own top-level window.
struct Broadcasts {
  uint32_t decodeData = 0, decodeImage = 0;
  int count = 0, images = 0;
  uintptr_t wParam = 0;
} broadcasts;

intptr_t CountBroadcasts(BcrWindow, uint32_t msg, uintptr_t wParam, intptr_t) {
  if (msg == broadcasts.decodeData) {
    ++broadcasts.count;
    broadcasts.wParam = wParam;
  }
  broadcasts.images += msg == broadcasts.decodeImage;
  return 0;
}

int32_t *const n = nullptr;

class Contract : public SimReader {
 protected:
  void StartReader(Engine engine, bool init = true) {
    const bool se955 = engine == Engine::kSE955;
    Start(se955 ? bcrsim::Engine::SE955().Speed(38400).Start()
                : bcrsim::Engine::Imager4507().Speed(115200).Start(),
          se955 ? "1" : "3",
          {{"BCREADER_KEYBOARD", "record:" + Keys()},
           {"BCREADER_SOUND", "record:" + Sounds()},
           {"BCREADER_TRACE", Trace()},
           {"BCREADER_BUS", "session"}},
          init);
    ASSERT_FALSE(HasFatalFailure());
    broadcasts = Broadcasts();
    broadcasts.decodeData = BCR_FN(library_, BcrRegisterWindowMessage)("WM_DECODEDATA");
    broadcasts.decodeImage = BCR_FN(library_, BcrRegisterWindowMessage)("WM_DECODEIMAGE");
    ASSERT_NE(BCR_FN(library_, BcrCreateWindow)("ContractTest", CountBroadcasts), nullptr);
    engine_->ClearRecord();
    if (!init) return;
    event_ = sem_open(EventName().c_str(), 0);
    ASSERT_NE(event_, SEM_FAILED);
  }
  void TearDown() override {
    if (event_ != SEM_FAILED) sem_close(event_);
  }

  void OutputSettings(int32_t keyboard, int32_t terminatorKey, int32_t codeId) {
    ASSERT_EQ(BCR_FN(library_, DataOutputSettings)('w', &keyboard, nullptr, &terminatorKey, &codeId,
                                                   nullptr, nullptr, 0, nullptr, 0),
              1);
  }
  // A press answered by the engine's decode, delivered through the reader's window.
  void PressAndDecode(const bcrsim::Decode &decode) {
    Press();
    engine_->SendDecode(decode);
    const int count = broadcasts.count + 1;
    ASSERT_TRUE(PumpUntil([count] { return broadcasts.count >= count; }, 5000));
  }
  // The reader relays an image message behind every delivery already queued.
  void PumpPastQueuedDeliveries() {
    Post("WM_DECODEIMG");
    const int images = broadcasts.images + 1;
    ASSERT_TRUE(PumpUntil([images] { return broadcasts.images >= images; }, 3000));
  }
  int EventCount() {
    int count = 0;
    while (event_ != SEM_FAILED && sem_trywait(event_) == 0) ++count;
    return count;
  }
  // The byte record with code ID as returned, a zero decode type included.
  std::string Record() {
    char buffer[64] = {};
    const int32_t length = BCR_FN(library_, GetOutputRecord)(7, buffer, sizeof buffer);
    return length < 0 ? "<" + std::to_string(length) + ">" : std::string(buffer, length);
  }
  std::string Keys() const { return scratch_.File("keys"); }
  std::string Sounds() const { return scratch_.File("sounds"); }
  std::string Trace() const { return scratch_.File("trace"); }

  sem_t *event_ = SEM_FAILED;
  PrivateBus bus_{scratch_.Path()};
};

// ---------------------------------------------------------------------------------------------
// Delivery: each decode reaches each road once, whichever way it was read.

enum class Mode {
  kTriggerPress,     // "WM_USER1DOWN" posted to the reader's window
  kContinuous,       // the engine's continuous trigger mode: no presses
  kReadBarcodeData,  // one synchronous read
  kSwitchedOff,      // decodes while SetActiveDevice(0) reach no road; then synchronous reads
};

struct Delivery {
  const char *name;
  Engine engine;
  Mode mode;
  bool publishes;  // GetDecodeData gives the decode; a synchronous read keeps the previous one
};

struct SentDecode {
  uint8_t codeType;
  const char *data;
  uint32_t decodeType;
  const char *keys;  // typed as characters with the terminator CR
};
const SentDecode kDecodes[] = {
    {0x01, "M1", 'A', "post 128 77,49 128,128\nkeybd_event 13 0 0\nkeybd_event 13 0 2\n"},
    {0x03, "M2", 'I', "post 128 77,50 128,128\nkeybd_event 13 0 0\nkeybd_event 13 0 2\n"},
};
const char kGoodReadSound[] = "play 139264 \\Windows\\Hwandsw\n";

const Delivery kDeliveries[] = {
    {"SE955_Press", Engine::kSE955, Mode::kTriggerPress, true},
    {"4507_Press", Engine::k4507, Mode::kTriggerPress, true},
    {"SE955_Continuous", Engine::kSE955, Mode::kContinuous, true},
    {"4507_Continuous", Engine::k4507, Mode::kContinuous, true},
    {"SE955_ReadBarcodeData", Engine::kSE955, Mode::kReadBarcodeData, false},
    {"4507_ReadBarcodeData", Engine::k4507, Mode::kReadBarcodeData, false},
    {"SE955_SwitchedOff", Engine::kSE955, Mode::kSwitchedOff, false},
    {"4507_SwitchedOff", Engine::k4507, Mode::kSwitchedOff, false},
};

class DeliveryMatrix : public Contract, public ::testing::WithParamInterface<Delivery> {
 protected:
  void SwitchOffAndScan();
};

// Switched off, the reader writes nothing to the engine: a press starts nothing, a read returns 0
// at once, and the decodes the engine sends (one of several packets among them) are read and
// dropped, on no road now or after the reader is switched on again.
void DeliveryMatrix::SwitchOffAndScan() {
  const std::string trace = Trace();
  ASSERT_EQ(BCR_FN(library_, SetActiveDevice)(0), 1);
  Press();
  engine_->SendDecode(Decoding("OFF"));
  engine_->SendDecode(Decoding("OFF-IN-PACKETS", 0x01, 5));
  auto dropped = [&trace] {
    const std::string text = ReadFile(trace);
    size_t count = 0;
    for (size_t at = 0; (at = text.find("reader is off, dropped", at)) != std::string::npos; ++at) {
      ++count;
    }
    return count;
  };
  ASSERT_TRUE(PumpUntil([&] { return dropped() == 2; }, 5000)) << ReadFile(trace);
  EXPECT_EQ(Read(), 0);
  EXPECT_EQ(engine_->Received(), std::vector<uint8_t>{});
  ASSERT_EQ(BCR_FN(library_, SetActiveDevice)(7), 1);
}

TEST_P(DeliveryMatrix, EachDecodeReachesEveryRoadOnce) {
  const Delivery &d = GetParam();
  ASSERT_TRUE(bus_.Start());
  ASSERT_NO_FATAL_FAILURE(StartReader(d.engine));
  // Two applications in other processes hear each decode on the bus.
  std::unique_ptr<Child> clients[] = {StartListener(std::size(kDecodes)),
                                      StartListener(std::size(kDecodes))};
  for (auto &client : clients) ASSERT_NE(client, nullptr);
  OutputSettings(1, 1, 0);
  if (d.mode == Mode::kContinuous) {
    int32_t mode = d.engine == Engine::kSE955 ? 4 : 7;
    ASSERT_EQ(d.engine == Engine::kSE955
                  ? BCR_FN(library_, UserPreferences_1D_SE955)('w', n, n, n, n, n, n, &mode)
                  : BCR_FN(library_, UserPreferences_2D_4507)('w', n, n, &mode),
              1);
  }
  if (d.mode == Mode::kSwitchedOff) {
    SwitchOffAndScan();
    ASSERT_FALSE(HasFatalFailure());
  }
  std::string keys, sounds;
  for (int i = 0; i < static_cast<int>(std::size(kDecodes)); ++i) {
    const SentDecode &sent = kDecodes[i];
    SCOPED_TRACE(sent.data);
    if (d.mode == Mode::kReadBarcodeData || d.mode == Mode::kSwitchedOff) {
      engine_->OnStartDecode(Decoding(sent.data, sent.codeType));
      uint32_t codeType = 0;
      char buffer[16] = {};
      EXPECT_EQ(BCR_FN(library_, ReadBarcodeData)(&codeType, buffer, sizeof buffer), 2);
      EXPECT_STREQ(buffer, sent.data);
      EXPECT_EQ(codeType, sent.decodeType);
    } else {
      if (d.mode == Mode::kTriggerPress) Press();
      engine_->SendDecode(Decoding(sent.data, sent.codeType));
    }
    ASSERT_TRUE(PumpUntil([i] { return broadcasts.count > i; }, 5000));
    sounds += kGoodReadSound;
    EXPECT_TRUE(PumpUntil([&] { return ReadFile(Sounds()).size() >= sounds.size(); }, 3000));
    PumpPastQueuedDeliveries();
    EXPECT_EQ(DecodeData(), d.publishes ? sent.data : "");
    EXPECT_EQ(BCR_FN(library_, GetDecodeType)(), static_cast<int32_t>(sent.decodeType));
    EXPECT_EQ(Record(), sent.data);
    EXPECT_EQ(broadcasts.count, i + 1);
    EXPECT_EQ(broadcasts.wParam, 7u);
    EXPECT_EQ(EventCount(), 1);
    EXPECT_EQ(ReadFile(Keys()), keys += sent.keys);
    EXPECT_EQ(ReadFile(Sounds()), sounds);
  }
  for (auto &client : clients) {
    EXPECT_EQ(client->Wait(10000), 0);
    EXPECT_EQ(ClientDecodes(*client),
              (std::vector<std::string>{"A 4D31 Code 39", "I 4D32 Code 128"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, DeliveryMatrix, ::testing::ValuesIn(kDeliveries),
                         [](const ::testing::TestParamInfo<Delivery> &param) {
                           return std::string(param.param.name);
                         });

// ---------------------------------------------------------------------------------------------
// Code types: the decode type of every engine code type, on both engines. The first data byte is
// the code type and never reaches the data; an engine code type without a row gives 0.

struct CodeType {
  uint8_t code;
  char decodeType;
};
// clang-format off
const CodeType kCodeTypes[] = {
    {0x01, 'A'}, {0x02, 'G'}, {0x03, 'I'}, {0x04, 'j'}, {0x05, 'i'}, {0x06, 'E'}, {0x07, 'H'},
    {0x08, '^'}, {0x09, 'J'}, {0x0A, 'M'}, {0x0B, 'P'}, {0x0C, 'g'}, {0x0E, 'S'}, {0x0F, 'U'},
    {0x10, 'a'}, {0x11, 'k'}, {0x13, 'h'}, {0x15, 'e'}, {0x16, 'f'}, {0x17, 'x'}, {0x19, '@'},
    {0x1A, 'l'}, {0x1B, 'm'}, {0x1C, 'o'}, {0x1E, 'p'}, {0x1F, 'q'}, {0x20, 'B'}, {0x21, 0},
    {0x22, 's'}, {0x23, 't'}, {0x24, 'u'}, {0x25, 'n'}, {0x26, 0},   {0x27, 'r'}, {0x28, 'w'},
    {0x2C, '{'}, {0x2D, 'z'}, {0x30, '['}, {0x31, '\\'}, {0x32, ']'}, {0x33, 0},  {0x34, '|'},
    {0x35, '}'}, {0x37, 0},   {0x38, 0},   {0x39, 'F'}, {0x48, '_'}, {0x49, 'K'}, {0x4A, 'N'},
    {0x4B, 'Q'}, {0x50, 'b'}, {0x51, 'v'}, {0x52, 'v'}, {0x53, 'v'}, {0x54, 'v'}, {0x55, 'v'},
    {0x56, 'v'}, {0x57, 'v'}, {0x58, 'v'}, {0x59, 'v'}, {0x5A, 'd'}, {0x61, 'v'}, {0x62, 'v'},
    {0x63, 'v'}, {0x64, 'v'}, {0x65, 'v'}, {0x66, 'v'}, {0x67, 'v'}, {0x68, 'v'}, {0x72, 'y'},
    {0x88, '`'}, {0x89, 'L'}, {0x8A, 'O'}, {0x8B, 'R'}, {0x90, 'c'}, {0x9A, '~'},
    // Without a row.
    {0x00, 0}, {0x0D, 0}, {0x12, 0}, {0x2F, 0}, {0x47, 0}, {0x5B, 0}, {0x73, 0}, {0x8F, 0},
    {0x98, 0}, {0x9B, 0}, {0xFF, 0},
};
// clang-format on
static_assert(std::size(kCodeTypes) == 76 + 11);
constexpr size_t kCodeTypeSlices = 6;
constexpr size_t kCodeTypeSlice = (std::size(kCodeTypes) + kCodeTypeSlices - 1) / kCodeTypeSlices;

class CodeTypes : public Contract,
                  public ::testing::WithParamInterface<std::tuple<Engine, size_t>> {};

TEST_P(CodeTypes, DecodeTypeOfTheRowOrZeroAndTheDataWithoutTheCodeType) {
  ASSERT_NO_FATAL_FAILURE(StartReader(std::get<0>(GetParam())));
  OutputSettings(0, 1, 1);
  const size_t first = std::get<1>(GetParam()) * kCodeTypeSlice;
  for (size_t i = first; i < std::min(first + kCodeTypeSlice, std::size(kCodeTypes)); ++i) {
    SCOPED_TRACE(testing::Message() << "code type 0x" << std::hex << int(kCodeTypes[i].code));
    PressAndDecode(Decoding("x", kCodeTypes[i].code));
    EXPECT_EQ(BCR_FN(library_, GetDecodeType)(), kCodeTypes[i].decodeType);
    EXPECT_EQ(Record(), std::string(1, kCodeTypes[i].decodeType) + "x");
  }
  // Nobody waited on the event meanwhile: it holds one count for all those decodes.
  EXPECT_EQ(EventCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Slices, CodeTypes,
                         ::testing::Combine(::testing::Values(Engine::kSE955, Engine::k4507),
                                            ::testing::Range(size_t{0}, kCodeTypeSlices)),
                         [](const ::testing::TestParamInfo<std::tuple<Engine, size_t>> &param) {
                           return std::string(std::get<0>(param.param) == Engine::kSE955
                                                  ? "SE955_"
                                                  : "4507_") +
                                  std::to_string(std::get<1>(param.param));
                         });

// ---------------------------------------------------------------------------------------------
// Option writes and reads on the wire, each from a library as loaded (nothing cached).

struct OptionCase {
  const char *name;
  Engine engine;
  void (*calls)(const LoadedLibrary &);
  const char *frames;  // with checksums, each followed by '|'
};

const OptionCase kOptionCases[] = {
    // A flag goes as 01 whatever its non-zero value, one outside a byte too, and is cached as
    // given: 1 after 2 goes again.
    {"FlagOneAfterTwoIsSentAgain_SE955", Engine::kSE955,
     [](const LoadedLibrary &library) {
       for (int32_t enable : {2, 1, 1, -300}) {
         EXPECT_EQ(BCR_FN(library, Code93_1D_SE955)('w', &enable, n, n), 1);
       }
     },
     "07 C6 04 08 FF 09 01 FE 1E|07 C6 04 08 FF 09 01 FE 1E|07 C6 04 08 FF 09 01 FE 1E|"},
    {"FlagOneAfterTwoIsSentAgain_4507", Engine::k4507,
     [](const LoadedLibrary &library) {
       for (int32_t enable : {2, 1, 1, -300}) {
         EXPECT_EQ(BCR_FN(library, Code93_2D_4507)('w', &enable, n, n), 1);
       }
     },
     "07 C6 04 08 FF 09 01 FE 1E|07 C6 04 08 FF 09 01 FE 1E|07 C6 04 08 FF 09 01 FE 1E|"},
    // The last argument is the US postal check digit; once cached, the same value goes no more.
    {"PostalCheckDigitOnceCached_4507", Engine::k4507,
     [](const LoadedLibrary &library) {
       for (int32_t transmit : {1, 1}) {
         EXPECT_EQ(BCR_FN(library, PostalCode_2D_4507)('w', n, n, n, n, n, n, n, &transmit), 1);
       }
     },
     "07 C6 04 08 FF 5F 01 FD C8|"},
    // The library-kept value alone: a write still passes 0x89 on, a read still asks the engine.
    {"LibraryKeptValueAlone_SE955", Engine::kSE955,
     [](const LoadedLibrary &library) {
       int32_t kept = 42;
       EXPECT_EQ(BCR_FN(library, UserPreferences_1D_SE955)('w', n, n, n, n, n, &kept, n), 1);
       kept = 0;
       EXPECT_EQ(BCR_FN(library, UserPreferences_1D_SE955)('r', n, n, n, n, n, &kept, n), 1);
       EXPECT_EQ(kept, 42);
     },
     "07 C6 04 08 FF 89 00 FD 9F|0A C7 04 00 88 BF 89 4E 43 8A FC 40|"},
};

class OptionWire : public Contract, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(OptionWire, SendsTheseFramesAndNoOthers) {
  ASSERT_NO_FATAL_FAILURE(StartReader(GetParam().engine));
  GetParam().calls(library_);
  EXPECT_EQ(Hex(engine_->Frames()), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(Options, OptionWire, ::testing::ValuesIn(kOptionCases),
                         [](const ::testing::TestParamInfo<OptionCase> &param) {
                           return std::string(param.param.name);
                         });

// ---------------------------------------------------------------------------------------------
// Single cases.

TEST_F(Contract, BeforeInitReaderThereIsNoReaderToQueryOrSwitch) {
  ASSERT_NO_FATAL_FAILURE(StartReader(Engine::kSE955, false));
  EXPECT_EQ(BCR_FN(library_, GetReaderType)(), 0);
  EXPECT_EQ(BCR_FN(library_, GetActiveDevice)(), -101);
  EXPECT_EQ(BCR_FN(library_, SetActiveDevice)(7), -101);
  EXPECT_EQ(BCR_FN(library_, SetActiveDevice)(0), -101);
  EXPECT_NE(access(scratch_.File("registry.reg").c_str(), F_OK), 0);
  EXPECT_TRUE(engine_->Received().empty());
}

// Without a terminator an empty decode leaves nothing to type, and nothing reaches the keyboard.
TEST_F(Contract, EmptyWedgeTextMakesNoKeyboardCall) {
  ASSERT_NO_FATAL_FAILURE(StartReader(Engine::kSE955));
  OutputSettings(1, 6, 0);
  PressAndDecode(Decoding("", 0x01));
  PressAndDecode(Decoding("x", 0x01));
  EXPECT_EQ(ReadFile(Keys()), "post 128 120 128\n");
}

}  // namespace
}  // namespace bcr::test
