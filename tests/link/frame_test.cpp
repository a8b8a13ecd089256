#include "link/frame.h"

#include <gtest/gtest.h>

#include "support/sim_link.h"

namespace bcr {
namespace {

using test::Bytes;
using test::FromBytes;
using test::ToBytes;

Bytes Checksummed(const Bytes &frame) {
  WString s = FromBytes(frame);
  AppendChecksum(s);
  return ToBytes(s);
}

TEST(Checksum, WrapsTheSixteenBitSum) {
  // 0x100 * 0xFF bytes sum to 0xFF00; an empty frame sums to 0 and its complement wraps to 0.
  EXPECT_EQ(Checksummed(Bytes(256, 0xFF)).back(), 0x00);
  EXPECT_EQ(*(Checksummed(Bytes(256, 0xFF)).end() - 2), 0x01);
  EXPECT_EQ(Checksummed({}), (Bytes{0x00, 0x00}));
}

}  // namespace
}  // namespace bcr
