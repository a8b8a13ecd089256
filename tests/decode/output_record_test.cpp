#include "decode/output_record.h"
#include "reader/globals.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "decode/output_settings.h"
#include "state/library_state.h"
#include "state/published_decode.h"
#include "state/scan_engine.h"
#include "state/settings.h"

namespace bcr {
namespace {

using Units = std::vector<uint16_t>;

class OutputRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("BCREADER_CODEPAGE");
    ResetSettings();
    TheReader().link.SetDeviceType(kEngineSE955);
    Receive(0x01, "");
  }
  void TearDown() override {
    unsetenv("BCREADER_CODEPAGE");
    TheReader().link.SetDeviceType(kNoEngine);
  }

  // A reception that the decode thread also published.
  static void Receive(uint32_t codeType, const std::string &data) {
    Decode decode;
    decode.codeType = codeType;
    for (char c : data) decode.data.AppendUnit(static_cast<unsigned char>(c));
    TheReader().SetDecodeResult(decode);
    SetLastCodeType(static_cast<int32_t>(codeType));
  }

  static void Settings(int32_t codeId, int32_t length, const char *prefix, const char *suffix,
                       int32_t placement = 1, int32_t key = 1) {
    ASSERT_EQ(OutputSettings('w', nullptr, &placement, &key, &codeId, &length,
                             const_cast<char *>(prefix), static_cast<int32_t>(strlen(prefix) + 1),
                             const_cast<char *>(suffix), static_cast<int32_t>(strlen(suffix) + 1)),
              1);
  }

  static std::string ByteRecord(int32_t *result, int32_t size = 20000) {
    std::string buffer(static_cast<size_t>(size), '\x55');
    *result = OutputRecord(TheReader(), 7, buffer.data(), size);
    return buffer;
  }

  static Units WideRecord(int32_t *result, int32_t size = 100) {
    Units buffer(static_cast<size_t>(size), 0x5555);
    *result = OutputRecordWide(TheReader(), 7, buffer.data(), size);
    buffer.resize(*result >= 0 && *result < size ? static_cast<size_t>(*result) : 0);
    return buffer;
  }

  static Units Wedge() {
    WString text;
    BuildWedgeText(TheReader().DeviceType(), TheReader().DecodeResult(), 2, text);
    return {text.Data(), text.Data() + text.Size()};
  }
};

TEST_F(OutputRecordTest, RecordCarriesCodeIdLengthPrefixDataAndSuffix) {
  Receive(0x01, "12345");
  Settings(1, 1, "AB", "");
  int32_t result = 0;
  EXPECT_EQ(ByteRecord(&result).c_str(), std::string("A0007AB12345"));
  EXPECT_EQ(result, 12);

  Settings(0, 0, "<", ">");
  EXPECT_EQ(ByteRecord(&result).c_str(), std::string("<12345>"));
  EXPECT_EQ(result, 7);

  Settings(0, 1, "", "");
  Receive(0x01, std::string(10000, 'x'));
  std::string record = ByteRecord(&result);
  EXPECT_EQ(result, 10005);
  EXPECT_EQ(record.substr(0, 6), "10000x");
}

TEST_F(OutputRecordTest, RecordReadsTheLastReceptionAndThePublishedCodeType) {
  Receive(0x01, "12345");
  Decode published;
  published.data.AssignNarrow("old");
  PublishDecode(published);
  SetLastCodeType(0x9A);
  Settings(1, 0, "", "");
  int32_t result = 0;
  EXPECT_EQ(ByteRecord(&result).c_str(), std::string("~12345"));
}

TEST_F(OutputRecordTest, DecodeTypeZeroIsAZeroUnitAlsoWithoutEngine) {
  const std::string kZeroTypeRecord = std::string(1, '\0') + "000299" + '\0';
  Receive(0x21, "99");  // named, without decode type
  Settings(1, 1, "", "");
  int32_t result = 0;
  std::string record = ByteRecord(&result);
  EXPECT_EQ(result, 7);
  EXPECT_EQ(record.substr(0, 8), kZeroTypeRecord);

  // Without an engine the decode type is -101, no character: the record carries 0 instead.
  Receive(0x01, "99");
  TheReader().link.SetDeviceType(kNoEngine);
  record = ByteRecord(&result);
  EXPECT_EQ(result, 7);
  EXPECT_EQ(record.substr(0, 8), kZeroTypeRecord);
  EXPECT_EQ(WideRecord(&result), (Units{0, '0', '0', '0', '2', '9', '9'}));
}

TEST_F(OutputRecordTest, BufferGetsTheRecordCutToItsSize) {
  Receive(0x01, "12345678");
  char buffer[8] = "zzzzzzz";
  EXPECT_EQ(OutputRecord(TheReader(), 7, buffer, 5), 5);
  EXPECT_EQ(std::string(buffer, 6), std::string("1234\0z", 6));
  EXPECT_EQ(OutputRecord(TheReader(), 7, buffer, 1), 1);
  EXPECT_EQ(buffer[0], '\0');

  uint16_t wide[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(OutputRecordWide(TheReader(), 7, wide, 3), 3);
  EXPECT_EQ(Units(wide, wide + 4), (Units{'1', '2', 0, 9}));

  EXPECT_EQ(OutputRecord(TheReader(), 255, buffer, 8), 0);  // another device: an empty record
  EXPECT_EQ(OutputRecordWide(TheReader(), 0, wide, 8), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(wide[0], 0);
}

TEST_F(OutputRecordTest, WideRecordConvertsOnlyTheDataAndCountsItsCharacters) {
  Receive(0x1C, "\x80\xE9");
  Settings(0, 1, "\x80", "");
  int32_t result = 0;
  EXPECT_EQ(WideRecord(&result), (Units{'0', '0', '0', '3', 0x0080, 0x20AC, 0x00E9}));

  setenv("BCREADER_CODEPAGE", "UTF-8", 1);
  Receive(0x1C, "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(WideRecord(&result), (Units{'0', '0', '0', '3', 0x0080, 0x00E9, 0x20AC}));

  setenv("BCREADER_CODEPAGE", "NO-SUCH-CODE-PAGE", 1);
  EXPECT_EQ(WideRecord(&result), (Units{'0', '0', '0', '1', 0x0080}));
}

TEST_F(OutputRecordTest, Cp1252KeepsItsUndefinedBytesAsTheSameValues) {
  const char source[] = "\x81\x8D\x8F\x90\x9D\x80\xE9\x9F";
  uint16_t out[8] = {};
  ASSERT_EQ(ConvertByteToWide(source, 8, out, 8), 8);
  EXPECT_EQ(Units(out, out + 8), (Units{0x81, 0x8D, 0x8F, 0x90, 0x9D, 0x20AC, 0x00E9, 0x0178}));
}

TEST_F(OutputRecordTest, CodePageIsReadAtEveryConversionAndBadBytesBecomeReplacements) {
  uint16_t out[4] = {};
  setenv("BCREADER_CODEPAGE", "CP936", 1);
  EXPECT_EQ(ConvertByteToWide("\xC4\xE3", 2, out, 4), 1);
  EXPECT_EQ(out[0], 0x4F60);
  setenv("BCREADER_CODEPAGE", "UTF-8", 1);
  EXPECT_EQ(ConvertByteToWide("\xF0\x9F\x98\x80", 4, out, 4), 2);  // beyond U+FFFF: a pair
  EXPECT_EQ(Units(out, out + 2), (Units{0xD83D, 0xDE00}));
  EXPECT_EQ(ConvertByteToWide("\xF0\x9F\x98\x80", 4, out, 1), 0);
  // Each byte of a bad or cut-off sequence is one U+FFFD, and nothing past the length is read.
  EXPECT_EQ(ConvertByteToWide("a\xFF\x62\xC3", 4, out, 4), 4);
  EXPECT_EQ(Units(out, out + 4), (Units{'a', 0xFFFD, 'b', 0xFFFD}));
  EXPECT_EQ(ConvertByteToWide("\xC3\xA9", 1, out, 4), 1);
  EXPECT_EQ(out[0], 0xFFFD);
  setenv("BCREADER_CODEPAGE", "", 1);  // empty: the default
  EXPECT_EQ(ConvertByteToWide("\x80", 1, out, 4), 1);
  EXPECT_EQ(out[0], 0x20AC);
}

TEST_F(OutputRecordTest, WedgeConvertsTwoDimensionalCodesOnlyOnThe4507) {
  for (uint32_t code : {0x11u, 0x1Bu, 0x1Cu}) {
    Receive(code, "\x80\xE9");
    TheReader().link.SetDeviceType(kImager4507);
    EXPECT_EQ(Wedge(), (Units{0x20AC, 0xE9, 0x0D})) << code;
    TheReader().link.SetDeviceType(kEngineSE955);
    EXPECT_EQ(Wedge(), (Units{0x80, 0xE9, 0x0D})) << code;
  }
  Receive(0x01, "\x80\xE9");
  TheReader().link.SetDeviceType(kImager4507);
  EXPECT_EQ(Wedge(), (Units{0x80, 0xE9, 0x0D}));
}

TEST_F(OutputRecordTest, WedgeTerminatorFollowsPlacementAndKey) {
  Receive(0x01, "ab");
  const struct {
    int32_t placement, key;
    Units text;
  } cases[] = {
      {1, 1, {'a', 'b', 0x0D}}, {2, 2, {0x09, 'a', 'b'}}, {1, 3, {'a', 'b', ' '}},
      {1, 4, {'a', 'b', ','}},  {2, 5, {';', 'a', 'b'}},  {1, 6, {'a', 'b'}},
      {2, 6, {'a', 'b'}},       {3, 1, {'a', 'b'}},       {0, 2, {'a', 'b'}},
  };
  for (const auto &c : cases) {
    Settings(0, 0, "", "", c.placement, c.key);
    EXPECT_EQ(Wedge(), c.text) << c.placement << " " << c.key;
  }
  WString text;
  BuildWedgeText(TheReader().DeviceType(), TheReader().DecodeResult(), 1, text);
  EXPECT_EQ(text.Size(), 0u);
}

TEST_F(OutputRecordTest, WedgeTextIsCutTo999BeforeTheTerminator) {
  Receive(0x01, std::string(1500, 'x'));
  Units text = Wedge();
  ASSERT_EQ(text.size(), 1000u);
  EXPECT_EQ(text[998], 'x');
  EXPECT_EQ(text[999], 0x0D);
}

TEST_F(OutputRecordTest, DataOutputSettingsReadsValuesAndCutsTexts) {
  Settings(1, 0, "ABCDE", "xyz", 2, 6);  // no range check on the key
  int32_t keyboard = -1, placement = -1, key = -1, codeId = -1, length = -1;
  char prefix[8] = "zzzzzzz";
  char suffix[8] = "zzzzzzz";
  EXPECT_EQ(
      OutputSettings('r', &keyboard, &placement, &key, &codeId, &length, prefix, 3, suffix, 8), 1);
  EXPECT_EQ(keyboard, 0);
  EXPECT_EQ(placement, 2);
  EXPECT_EQ(key, 6);
  EXPECT_EQ(codeId, 1);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(std::string(prefix, 4), std::string("AB\0z", 4));
  EXPECT_EQ(std::string(suffix, 8), std::string("xyz\0zzz\0", 8));

  EXPECT_EQ(OutputSettings('r', nullptr, nullptr, nullptr, nullptr, nullptr, prefix, 0, nullptr, 0),
            1);
  EXPECT_EQ(prefix[0], 'A');  // a size below 1: not copied
}

}  // namespace
}  // namespace bcr
