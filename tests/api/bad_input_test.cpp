// Every exported function with arguments no caller should pass: null pointers, sizes of 0, -1
// and INT_MAX, unknown modes and out-of-range values, before and after InitReader. Never a
// crash (the sanitizer build runs this too), always the documented result.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "sim/engine.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

class BadInput : public SimReader {
 protected:
  void SetUp() override {
    Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1",
          {{"BCREADER_SOUND", "record:" + scratch_.File("sound")}}, false);
  }
  void Init() { ASSERT_EQ(BCR_FN(library_, InitReader)(), 1); }
};

#define CALL(name) BCR_FN(library_, name)

TEST_F(BadInput, CopyingFunctionsRefuseBadBuffersAndNeverWritePastTheText) {
  for (bool initialised : {false, true}) {
    if (initialised) Init();
    SCOPED_TRACE(initialised ? "after InitReader" : "before InitReader");
    char buffer[16];
    for (int32_t size : {0, -1, INT_MIN}) {
      EXPECT_EQ(CALL(GetDllVer)(buffer, size), 0);
      EXPECT_EQ(CALL(GetDecoderVersion)(7, buffer, size), 0);
      EXPECT_EQ(CALL(GetOutputRecord)(7, buffer, size), -300);
      EXPECT_EQ(CALL(GetOutputRecordWideChar)(7, reinterpret_cast<uint16_t *>(buffer), size), -300);
      EXPECT_EQ(CALL(GetDecodeData)(buffer, size), initialised ? -300 : -101);
      EXPECT_EQ(CALL(ReadBarcodeData)(nullptr, buffer, size), initialised ? 0 : -101);
    }
    EXPECT_EQ(CALL(GetDllVer)(nullptr, 8), 0);
    EXPECT_EQ(CALL(GetDecoderVersion)(7, nullptr, 8), 0);
    EXPECT_EQ(CALL(GetDecoderVersion)(INT_MIN, buffer, 8), 0);
    EXPECT_EQ(CALL(GetOutputRecord)(7, nullptr, 8), -300);
    EXPECT_EQ(CALL(GetOutputRecordWideChar)(7, nullptr, 8), -300);
    EXPECT_EQ(CALL(GetDecodeData)(nullptr, 8), initialised ? -300 : -101);
    EXPECT_EQ(CALL(ReadBarcodeData)(nullptr, nullptr, 8), initialised ? 0 : -101);
    // A size larger than the buffer: only the text and its zero are written.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CALL(GetDllVer)(buffer, INT_MAX), 1);
    EXPECT_STREQ(buffer, "1.0.1.0");
    EXPECT_EQ(buffer[8], 'x');
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CALL(GetOutputRecord)(INT_MIN, buffer, INT_MAX), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');
    EXPECT_EQ(CALL(GetOutputRecord)(7, buffer, INT_MAX), 0);
    EXPECT_EQ(buffer[1], 'x');
    uint16_t wide[4] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
    EXPECT_EQ(CALL(GetOutputRecordWideChar)(7, wide, INT_MAX), 0);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[1], 0xAAAA);
    if (initialised) {
      EXPECT_EQ(CALL(GetDecodeData)(buffer, INT_MAX), 0);
      EXPECT_EQ(buffer[1], 'x');
    }
  }
}

TEST_F(BadInput, ConversionRefusesBadLengthsAndSmallDestinations) {
  const char source[] = "ABCDE";
  uint16_t wide[8];
  EXPECT_EQ(CALL(ConvertByteToWideChar)(nullptr, 5, wide, 8), 0);
  EXPECT_EQ(CALL(ConvertByteToWideChar)(source, 0, wide, 8), 0);
  EXPECT_EQ(CALL(ConvertByteToWideChar)(source, -1, wide, 8), 0);
  EXPECT_EQ(CALL(ConvertByteToWideChar)(source, INT_MIN, wide, 8), 0);
  EXPECT_EQ(CALL(ConvertByteToWideChar)(source, 5, nullptr, 8), 0);
  EXPECT_EQ(CALL(ConvertByteToWideChar)(source, 5, wide, 0), 0);
  EXPECT_EQ(CALL(ConvertByteToWideChar)(source, 5, wide, -1), 0);
  EXPECT_EQ(CALL(ConvertByteToWideChar)(source, 5, wide, 2), 0);  // too small for the whole text
  EXPECT_EQ(CALL(ConvertByteToWideChar)(source, 5, wide, 5), 5);
  // A zero is converted like any byte, and none is added.
  wide[3] = 7;
  EXPECT_EQ(CALL(ConvertByteToWideChar)("a\0b", 3, wide, 8), 3);
  EXPECT_EQ(std::vector<uint16_t>(wide, wide + 4), (std::vector<uint16_t>{'a', 0, 'b', 7}));
}

TEST_F(BadInput, SettingsAndBeeperTakeAnyValueAndRefuseUnknownModes) {
  int32_t value = INT_MIN;
  EXPECT_EQ(CALL(Beeper)(-1, nullptr), -242);
  EXPECT_EQ(CALL(DataOutputSettings)('r', nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                                     nullptr, 0),
            0);
  EXPECT_EQ(CALL(DataOutputSettings)(INT_MIN, &value, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     0, nullptr, 0),
            0);
  char prefix[4] = "abc";
  EXPECT_EQ(CALL(DataOutputSettings)('r', nullptr, nullptr, nullptr, nullptr, nullptr, prefix, -1,
                                     nullptr, 0),
            1);
  EXPECT_STREQ(prefix, "abc");  // a size below 1 copies nothing
  EXPECT_EQ(
      CALL(DataOutputSettings)('w', &value, &value, &value, &value, &value, nullptr, 0, nullptr, 0),
      1);
  int32_t mode = 0;
  EXPECT_EQ(CALL(DataOutputSettings)('r', &mode, nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                                     nullptr, 0),
            1);
  EXPECT_EQ(mode, INT_MIN);
}

TEST_F(BadInput, DeviceFunctionsBeforeAndAfterInitReader) {
  EXPECT_EQ(CALL(SetActiveDevice)(INT_MIN), -101);
  EXPECT_EQ(CALL(ResetReaderToDefault)(7), -101);
  EXPECT_EQ(CALL(GetDecodeType)(), -101);
  Init();
  for (int32_t code : {INT_MIN, -1, 1, 6, 8, 254, 256, INT_MAX}) {
    EXPECT_EQ(CALL(SetActiveDevice)(code), 0) << code;
    EXPECT_EQ(CALL(ResetReaderToDefault)(code), 0) << code;
  }
  EXPECT_EQ(CALL(GetActiveDevice)(), 7);
}

TEST_F(BadInput, MessageExtensionRefusesWhatIsNoWindow) {
  EXPECT_EQ(CALL(BcrRegisterWindowMessage)(nullptr), 0u);
  EXPECT_EQ(CALL(BcrRegisterWindowMessage)(""), 0u);
  EXPECT_EQ(CALL(BcrCreateWindow)(nullptr, nullptr), nullptr);
  EXPECT_EQ(CALL(BcrFindWindow)(nullptr), nullptr);
  EXPECT_EQ(CALL(BcrFindWindow)("Quenrix"), nullptr);  // the reader's, before InitReader
  EXPECT_EQ(CALL(BcrDestroyWindow)(nullptr), 0);
  BcrWindow bogus = reinterpret_cast<BcrWindow>(uintptr_t{0x12345678});
  EXPECT_EQ(CALL(BcrDestroyWindow)(bogus), 0);
  EXPECT_EQ(CALL(BcrPostMessage)(bogus, 0xC000, 0, 0), 0);
  EXPECT_EQ(CALL(BcrPostMessage)(nullptr, 0xC000, 0, 0), 0);
  EXPECT_EQ(CALL(BcrDispatchMessages)(0), 0);
  EXPECT_EQ(CALL(BcrDispatchMessages)(10), 0);
}

}  // namespace
}  // namespace bcr::test
