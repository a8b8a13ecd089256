// The threaded soak through the exported functions (tests/support/soak.h): every decode the
// engine sent reaches the press or read it answers exactly once and unchanged, or is discarded
// by a documented rule; no call outlasts its bound; threads and descriptors come back.
#include <gtest/gtest.h>

#include "../../bench/soak_driver.h"
#include "support/loaded_library.h"

namespace bcr::test {
namespace {

TEST(Soak, EveryDecodeDeliveredOnceUnderOverlappingCallsAndNoise) {
  ScratchDir scratch;
  setenv("BCREADER_SYSLIB", (LibDir() + "/libbrevald.so").c_str(), 1);
  const soak::Figures f = soak::Run(LibDir() + "/libbcreader.so", scratch.Path(), 8, 10);
  ASSERT_TRUE(f.started);
  EXPECT_GE(f.sent, 18);
  EXPECT_EQ(f.lost, 0);
  EXPECT_EQ(f.duplicated, 0);
  EXPECT_EQ(f.wrong, 0);
  EXPECT_EQ(f.slowCalls, 0) << "longest call " << f.longestCallMs << " ms";
  EXPECT_EQ(f.sent, f.delivered + f.discarded + f.lost);
  EXPECT_LE(f.threadsLeft, 0);
  EXPECT_LE(f.descriptorsLeft, 0);
}

}  // namespace
}  // namespace bcr::test
