// The threaded soak through the exported functions (bench/soak_driver.h): every scan the engine
// sent at a random moment reaches the press or read it answers exactly once and unchanged, and
// only the strays sent with nobody waiting are discarded; no option call fails or outlasts its
// bound; threads and descriptors come back.
#include <gtest/gtest.h>

#include "../../bench/soak_driver.h"
#include "support/loaded_library.h"

namespace bcr::test {
namespace {

TEST(Soak, EveryScanReachesItsPressOrReadOnceAtRandomMomentsInEveryTriggerMode) {
  ScratchDir scratch;
  setenv("BCREADER_SYSLIB", (LibDir() + "/libbrevald.so").c_str(), 1);
  const soak::Figures f = soak::Run(LibDir() + "/libbcreader.so", scratch.Path(), 6, 10);
  ASSERT_TRUE(f.started);
  EXPECT_EQ(f.lost, 0);
  EXPECT_EQ(f.duplicated, 0);
  EXPECT_EQ(f.wrong, 0);
  EXPECT_GT(f.strays, 0);
  EXPECT_EQ(f.discarded, f.strays);
  EXPECT_GT(f.optionCalls, 0);
  EXPECT_EQ(f.optionFails, 0);
  EXPECT_EQ(f.slowCalls, 0) << "longest call " << f.longestCallMs << " ms";
  EXPECT_LE(f.threadsLeft, 0);
  EXPECT_LE(f.descriptorsLeft, 0);
  std::printf("soak: %d sent, %d delivered, %d strays discarded, %d given up by the engine\n",
              f.sent, f.delivered, f.discarded, f.givenUp);
}

}  // namespace
}  // namespace bcr::test
