#include "decode/code_types.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/engine_link.h"

namespace bcr {
namespace {

struct Row {
  uint32_t codeType;
  const char *name;
  int32_t decodeType;
};

// Rows copied as they are published for applications.
const Row kPublishedRows[] = {
    {0x01, "Code 39", 65},
    {0x19, "ISBT 128", 64},
    {0x21, "ISBT-128", 0},
    {0x31, "GS1 DataBar Limited", 92},
    {0x34, "USPS 4CB/One Code/Intelligent Mail", 124},
    {0x72, "Chinese 2 of 5", 121},
    {0x88, "UPC-A with 5 Digits Addenda", 96},
    {0x9A, "Macro Micro PDF417", 126},
};

Decode WithData(const std::vector<uint16_t> &units) {
  Decode decode;
  decode.codeType = 99;
  decode.symbologyName.AssignNarrow("stale");
  decode.data.AppendUnits(units.data(), static_cast<uint32_t>(units.size()));
  return decode;
}

std::vector<uint16_t> Units(const WString &s) {
  return {s.Data(), s.Data() + s.Size()};
}

TEST(SymbologyTableTest, HoldsThePublishedRows) {
  for (const Row &row : kPublishedRows) {
    const Symbology *found = FindSymbology(row.codeType);
    ASSERT_NE(found, nullptr) << row.codeType;
    EXPECT_STREQ(found->name, row.name);
    EXPECT_EQ(found->decodeType, row.decodeType) << row.name;
  }
}

TEST(ParseDecodeDataTest, EmptyDataGivesZeroAndUnkonwn) {
  Decode empty = WithData({});
  ParseDecodeData(kImager4507, empty);
  EXPECT_EQ(empty.codeType, 0u);
  EXPECT_TRUE(empty.symbologyName.Equals("unkonwn"));
  EXPECT_EQ(empty.data.Size(), 0u);
}

TEST(ParseDecodeDataTest, WithoutAKnownEngineOnlyClearsTypeAndName) {
  for (int32_t device : {int32_t{kNoEngine}, 5}) {
    Decode decode = WithData({0x01, 'A'});
    ParseDecodeData(device, decode);
    EXPECT_EQ(decode.codeType, 0u);
    EXPECT_EQ(decode.symbologyName.Size(), 0u);
    EXPECT_EQ(Units(decode.data), (std::vector<uint16_t>{0x01, 'A'}));
  }
}

TEST(DecodeTypeResultTest, OutsideTheTableOrWithoutAnEngine) {
  EXPECT_EQ(DecodeTypeResult(kEngineSE955, -1), 0);
  EXPECT_EQ(DecodeTypeResult(kEngineSE955, 0x101), 0);  // low byte would be Code 39
  EXPECT_EQ(DecodeTypeResult(5, 0x01), 0);
  for (int32_t code : {0, 0x01, 0x9A, 13}) EXPECT_EQ(DecodeTypeResult(kNoEngine, code), -101);
}

}  // namespace
}  // namespace bcr
