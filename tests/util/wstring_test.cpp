#include "util/wstring.h"

#include <gtest/gtest.h>

#include <cstdint>

#include <string>
#include <vector>

namespace bcr {
namespace {

using Units = std::vector<uint16_t>;

WString Make(const char *text) {
  WString s;
  s.AssignNarrow(text);
  return s;
}

Units Content(const WString &s) {
  return {s.Data(), s.Data() + s.Size()};
}

std::string Text(WString &s) {
  return {s.Narrow(), s.Size()};
}

TEST(WStringTest, GrowsPastItsDoublingLimitUnitByUnitAndByRuns) {
  WString s(100);
  for (uint32_t i = 0; i < 70000; ++i) s.AppendUnit(static_cast<uint16_t>(i));
  s.AppendUnits(Units(2000, 'a').data(), 2000);
  ASSERT_EQ(s.Size(), 72000u);
  EXPECT_EQ(*s.At(69999), static_cast<uint16_t>(69999));
  EXPECT_EQ(*s.At(71999), 'a');
  EXPECT_EQ(WString(s).Size(), 72000u);
}

TEST(WStringTest, IndexedAccessNeverLeavesTheString) {
  WString s = Make("abc");
  EXPECT_EQ(*s.At(5), 0);
  EXPECT_EQ(*s.AtSigned(-1), 'a');
  s.SetAt('x', 3);
  s.SetAt('x', -1);
  s.SetAt('x', 2);
  EXPECT_STREQ(s.Narrow(), "abx");
}

TEST(WStringTest, EraseCutsOrClosesTheGap) {
  WString s = Make("abcdef");
  EXPECT_EQ(s.Erase(6, 1), 6u);
  EXPECT_EQ(s.Erase(1, 2), 4u);
  EXPECT_EQ(Text(s), "adef");
  EXPECT_EQ(s.Erase(1, 10), 1u);
  EXPECT_EQ(Text(s), "a");
}

TEST(WStringTest, MidCopiesAnInclusiveRangeIncludingZeroUnits) {
  const uint16_t frame[] = {0x02, 0x00, 0x41, 0x00, 0x03};
  WString s, target = Make("old");
  s.AppendUnits(frame, 5);
  s.Mid(1, 3, target);
  EXPECT_EQ(Content(target), (Units{0x00, 0x41, 0x00}));
  s.Mid(3, 100, target);
  EXPECT_EQ(Content(target), (Units{0x00, 0x03}));
  s.SafeMid(-1, 3, target);
  EXPECT_EQ(target.Size(), 0u);
}

TEST(WStringTest, EqualsAndNarrowUseLowBytesButFindSignedUnits) {
  const uint16_t units[] = {0x0141, 0x0142};
  WString s;
  s.AppendUnits(units, 2);
  EXPECT_EQ(s.Equals("AB"), 1);
  EXPECT_EQ(std::string(s.Narrow(), 3), std::string("AB\0", 3));
  const uint16_t text[] = {'x', 0x0141, 'A', 'A', 0xFFC1, 'y'};
  WString t;
  t.AppendUnits(text, 6);
  uint32_t index = 99;
  EXPECT_EQ(t.Find(0, "AA", &index), 1);
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(t.Find(0, "\xC1y", &index), 1);
  EXPECT_EQ(index, 4u);
  EXPECT_EQ(t.Find(3, "AA", &index), 0);
}

TEST(WStringTest, EdgesOfEmptyNullAndEndAreSafe) {
  WString fresh;
  EXPECT_EQ(*fresh.At(0), 0);
  EXPECT_EQ(*fresh.AtSigned(0), 0);
  EXPECT_EQ(fresh.Equals(""), 1);
  EXPECT_EQ(fresh.Equals(nullptr), 0);
  EXPECT_EQ(fresh.NotEquals(nullptr), 1);
  WString s = Make("abc");
  EXPECT_EQ(s.Equals(nullptr), 0);
  EXPECT_EQ(s.Equals(""), 0);
  EXPECT_EQ(*s.At(2), 'c');
  EXPECT_EQ(*s.At(3), 0);
  EXPECT_EQ(*s.AtSigned(3), 0);
  EXPECT_EQ(*s.AtSigned(INT32_MAX), 0);
  EXPECT_EQ(*s.AtSigned(-1), 'a');
  uint32_t index = 99;
  EXPECT_EQ(s.Find(2, "c", &index), 1);
  EXPECT_EQ(index, 2u);
  index = 99;
  for (uint32_t start : {3u, 4u, UINT32_MAX}) {
    EXPECT_EQ(s.Find(start, "c", &index), 0) << start;
    EXPECT_EQ(s.Find(start, "", &index), 0) << start;
  }
  EXPECT_EQ(s.Find(2, "cd", &index), 0);
  EXPECT_EQ(index, 99u);
}

TEST(WStringTest, FormatConvertsArgumentsPrintfStyle) {
  WString s;
  s.Format("%04d", 7);
  EXPECT_EQ(Text(s), "0007");
  s.Format("%c%C", 13, 200);  // bytes are zero-extended
  EXPECT_EQ(Content(s), (Units{13, 200}));
  s.Format("COM%d:%x %.2f", 3, 255, 2.5);
  EXPECT_EQ(Text(s), "COM3:ff 2.50");
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

TEST(WStringTest, OperationsOnItsOwnContentAreSafe) {
  WString s = Make("ab");
  const WString &alias = s;
  s = alias;
  for (int i = 0; i < 4; ++i) s.Append(s);  // the last append moves the buffer
  std::string expected;
  for (int i = 0; i < 16; ++i) expected += "ab";
  EXPECT_EQ(Text(s), expected);
  s.AssignNarrow(s.Narrow());
  s.Format("<%s>", s.Narrow());
  s.Format("%w!", s.Data());
  EXPECT_EQ(Text(s), "<" + expected + ">!");
}

}  // namespace
}  // namespace bcr
