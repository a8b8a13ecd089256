// The counted string's corners that the model-checking fuzz target (fuzz/wstring_fuzz.cpp, its
// corpus replayed by `make fuzz`) does not reach: null and empty arguments, positions at and far
// past the end, the low bytes and signed units of the comparisons, and the conversions of Format it
// leaves to the runtime or never passes.
#include "util/wstring.h"

#include <gtest/gtest.h>

#include <cstdint>

#include <string>
#include <vector>

namespace bcr {
namespace {

using Units = std::vector<uint16_t>;

Units Content(const WString &s) {
  return {s.Data(), s.Data() + s.Size()};
}

std::string Text(WString &s) {
  return {s.Narrow(), s.Size()};
}

TEST(WStringTest, EdgesOfEmptyNullAndEndAreSafe) {
  WString fresh;
  EXPECT_EQ(*fresh.At(0), 0);
  EXPECT_EQ(fresh.Equals(""), 1);
  EXPECT_EQ(fresh.Equals(nullptr), 0);
  EXPECT_EQ(fresh.NotEquals(nullptr), 1);
  WString s;
  s.AssignNarrow("abc");
  EXPECT_EQ(s.Equals(""), 0);
  EXPECT_EQ(*s.At(2), 'c');
  EXPECT_EQ(*s.At(3), 0);
  EXPECT_EQ(*s.AtSigned(INT32_MAX), 0);
  EXPECT_EQ(*s.AtSigned(-1), 'a');
  uint32_t index = 99;
  for (uint32_t start : {3u, 4u, UINT32_MAX}) {
    EXPECT_EQ(s.Find(start, "c", &index), 0) << start;
    EXPECT_EQ(s.Find(start, "", &index), 0) << start;
  }
  EXPECT_EQ(s.Find(2, "cd", &index), 0);
  EXPECT_EQ(index, 99u);
  for (int32_t at : {3, -1, 2}) s.SetAt('x', at);
  EXPECT_STREQ(s.Narrow(), "abx");
}

TEST(WStringTest, EqualsAndNarrowUseLowBytesButFindSignedUnits) {
  const uint16_t text[] = {'x', 0x0141, 'A', 'A', 0xFFC1, 'y'};
  WString t;
  t.AppendUnits(text, 6);
  EXPECT_EQ(t.Equals("xAAA\xC1y"), 1);
  EXPECT_EQ(Text(t), "xAAA\xC1y");
  uint32_t index = 99;
  EXPECT_EQ(t.Find(0, "AA", &index), 1);
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(t.Find(0, "\xC1y", &index), 1);
  EXPECT_EQ(index, 4u);
  EXPECT_EQ(t.Find(3, "AA", &index), 0);
}

TEST(WStringTest, FormatConvertsArgumentsPrintfStyle) {
  WString s;
  s.Format("%c%C", 13, 200);  // bytes are zero-extended
  EXPECT_EQ(Content(s), (Units{13, 200}));
  const uint16_t wide[] = {0x20AC, 0};
  s.Format("a%5s|%s|%w|%w%%%", "ab", static_cast<const char *>(nullptr), wide,
           static_cast<const uint16_t *>(nullptr));
  EXPECT_EQ(Content(s), (Units{'a', 'a', 'b', '|', '|', 0x20AC, '|', '%'}));
}

TEST(WStringTest, FormatKeepsUnsafeConversionsWithinBounds) {
  WString s;
  s.Format("%0150d", 1);
  EXPECT_EQ(Text(s), std::string(99, '0'));
  s.Format("[%*d|%nd|%lld|%Lf]", 5, 6, 7, 1.5);
  EXPECT_EQ(Text(s), "[5|6|7|1.500000]");
}

}  // namespace
}  // namespace bcr
