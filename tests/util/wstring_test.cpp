// The counted string's corners that the model-checking fuzz target (fuzz/wstring_fuzz.cpp, its
// corpus replayed by `make fuzz`) does not reach: positions at and far past the end, and the
// low bytes of the narrow copy against the signed units of the search.
#include "util/wstring.h"

#include <gtest/gtest.h>

#include <cstdint>

#include <string>

namespace bcr {
namespace {

std::string Text(WString &s) {
  return {s.Narrow(), s.Size()};
}

TEST(WStringTest, EdgesOfEmptyNullAndEndAreSafe) {
  WString s;
  s.AssignNarrow("abc");
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

TEST(WStringTest, NarrowUsesLowBytesButFindSignedUnits) {
  const uint16_t text[] = {'x', 0x0141, 'A', 'A', 0xFFC1, 'y'};
  WString t;
  t.AppendUnits(text, 6);
  EXPECT_EQ(Text(t), "xAAA\xC1y");
  uint32_t index = 99;
  EXPECT_EQ(t.Find(0, "AA", &index), 1);
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(t.Find(0, "\xC1y", &index), 1);
  EXPECT_EQ(index, 4u);
  EXPECT_EQ(t.Find(3, "AA", &index), 0);
}

}  // namespace
}  // namespace bcr
