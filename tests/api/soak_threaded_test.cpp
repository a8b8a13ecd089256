// The threaded soak through the exported functions (bench/soak_driver.h), on each engine: every
// scan the engine sent at a random moment reaches the press or read it answers exactly once and
// unchanged, the engine gives none up, and only the strays sent with nobody waiting are
// discarded; every decode delivered is broadcast once and sets the named event; no option call
// fails or outlasts its bound; threads and descriptors come back.
#include <gtest/gtest.h>

#include "../../bench/soak_driver.h"
#include "support/loaded_library.h"

namespace bcr::test {
namespace {

void Soak(bcrsim::Kind kind) {
  ScratchDir scratch;
  setenv("BCREADER_SYSLIB", (LibDir() + "/libbrevald.so").c_str(), 1);
  const soak::Figures f = soak::Run(kind, LibDir() + "/libbcreader.so", scratch.Path(), 6, 10);
  ASSERT_TRUE(f.started);
  EXPECT_EQ(f.lost, 0);
  EXPECT_EQ(f.duplicated, 0);
  EXPECT_EQ(f.wrong, 0);
  EXPECT_EQ(f.givenUp, 0);
  EXPECT_EQ(f.discarded, f.strays);
  EXPECT_EQ(f.broadcastsMissing, 0);
  EXPECT_EQ(f.broadcastsExtra, 0);
  EXPECT_EQ(f.eventMissed, 0);
  EXPECT_EQ(f.eventExtra, 0);
  EXPECT_EQ(f.optionFails, 0);
  EXPECT_EQ(f.slowCalls, 0) << "longest call " << f.longestCallMs << " ms";
  EXPECT_LE(f.threadsLeft, 0);
  EXPECT_LE(f.descriptorsLeft, 0);
  std::printf("soak: %d sent, %d delivered, %d strays discarded, %d typed, %d event releases\n",
              f.sent, f.delivered, f.discarded, f.typed, f.eventReleases);
}

TEST(Soak, EveryScanReachesItsPressOrReadOnceAtRandomMomentsOnTheSE955) {
  Soak(bcrsim::Kind::SE955);
}

TEST(Soak, EveryScanReachesItsPressOrReadOnceAtRandomMomentsOnThe4507) {
  Soak(bcrsim::Kind::Imager4507);
}

}  // namespace
}  // namespace bcr::test
