#include "decode/code_types.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
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

std::set<uint32_t> Unnamed() {
  std::set<uint32_t> codes = {0, 13, 18, 20, 24, 29, 46, 47, 54};
  const std::pair<uint32_t, uint32_t> ranges[] = {{41, 43},   {58, 71},   {76, 79},   {91, 96},
                                                  {105, 113}, {115, 135}, {140, 143}, {145, 153}};
  for (auto [first, last] : ranges) {
    for (uint32_t code = first; code <= last; ++code) codes.insert(code);
  }
  return codes;
}

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

TEST(SymbologyTableTest, NamesExactlyTheCodesOutsideTheUnnamedRanges) {
  std::set<uint32_t> unnamed = Unnamed();
  int named = 0;
  for (uint32_t code = 0; code < 400; ++code) {
    bool expectNamed = code >= 1 && code <= 154 && unnamed.count(code) == 0;
    EXPECT_EQ(FindSymbology(code) != nullptr, expectNamed) << code;
    named += expectNamed;
  }
  EXPECT_EQ(named, 76);
  EXPECT_EQ(kSymbologyCount, 76u);
}

TEST(SymbologyTableTest, CompositesShare118AndFiveNamedCodesHaveNoDecodeType) {
  std::set<uint32_t> shared, none;
  std::multiset<int32_t> others;
  for (size_t i = 0; i < kSymbologyCount; ++i) {
    const Symbology &row = SymbologyTable()[i];
    if (row.decodeType == 118) {
      shared.insert(row.codeType);
      EXPECT_EQ(std::string(row.name).rfind("Composite CC-", 0), 0u) << row.name;
    } else if (row.decodeType == 0) {
      none.insert(row.codeType);
    } else {
      EXPECT_GE(row.decodeType, 64);
      EXPECT_LE(row.decodeType, 126);
      EXPECT_EQ(others.count(row.decodeType), 0u) << "decode type used twice: " << row.name;
      others.insert(row.decodeType);
    }
  }
  EXPECT_EQ(shared, (std::set<uint32_t>{0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x61,
                                        0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68}));
  EXPECT_EQ(none, (std::set<uint32_t>{0x21, 0x26, 0x33, 0x37, 0x38}));
  for (int32_t never : {67, 68, 84, 86, 87, 88, 89, 90, 127}) EXPECT_EQ(others.count(never), 0u);
}

TEST(ParseDecodeDataTest, TakesTheCodeTypeOffTheFrontOnBothEngines) {
  for (int32_t device : {kImager4507, kEngineSE955}) {
    Decode decode = WithData({0x9A, '1', '2'});
    ParseDecodeData(device, decode);
    EXPECT_EQ(decode.codeType, 0x9Au);
    EXPECT_TRUE(decode.symbologyName.Equals("Macro Micro PDF417"));
    EXPECT_EQ(Units(decode.data), (std::vector<uint16_t>{'1', '2'}));
  }
}

TEST(ParseDecodeDataTest, UnnamedCodeTypeGivesZeroAndUnkonwnAndStillLosesTheByte) {
  for (std::vector<uint16_t> data : {std::vector<uint16_t>{0x0D, 'x'}, {0x00, 'x'}, {0x9B, 'x'}}) {
    Decode decode = WithData(data);
    ParseDecodeData(kEngineSE955, decode);
    EXPECT_EQ(decode.codeType, 0u);
    EXPECT_TRUE(decode.symbologyName.Equals("unkonwn"));
    EXPECT_EQ(Units(decode.data), (std::vector<uint16_t>{'x'}));
  }
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

TEST(DecodeTypeResultTest, GivesTheRowsDecodeTypeZeroOrMinus101WithoutEngine) {
  EXPECT_EQ(DecodeTypeResult(kEngineSE955, 0x01), 65);
  EXPECT_EQ(DecodeTypeResult(kImager4507, 0x9A), 126);
  EXPECT_EQ(DecodeTypeResult(kEngineSE955, 0x21), 0);  // named, no decode type
  EXPECT_EQ(DecodeTypeResult(kEngineSE955, 13), 0);
  EXPECT_EQ(DecodeTypeResult(kEngineSE955, -1), 0);
  EXPECT_EQ(DecodeTypeResult(kEngineSE955, 0x101), 0);  // low byte would be Code 39
  EXPECT_EQ(DecodeTypeResult(5, 0x01), 0);
  for (int32_t code : {0, 0x01, 0x9A, 13}) EXPECT_EQ(DecodeTypeResult(kNoEngine, code), -101);
}

}  // namespace
}  // namespace bcr
