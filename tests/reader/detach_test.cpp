// The detach leaves nothing of the reader behind in the process that goes on without it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/window.h"
#include "reader/lifecycle.h"
#include "support/loaded_library.h"

namespace bcr::test {
namespace {

// No engine is there, yet InitReader makes the reader's window; the detach takes it away, so that
// nothing posts to a window whose procedure is gone.
TEST(Detach, TakesTheReaderWindowAway) {
  ScratchDir scratch;
  PointEnvironmentAt("/nonexistent/ttyBCR", "1", scratch.File("registry.reg"), NewEventPrefix());
  setenv("BCREADER_SYSLIB", "/nonexistent/libbrevald.so", 1);
  ProcessAttach(nullptr);
  InitReader();
  EXPECT_NE(platform::WindowFind("Quenrix"), nullptr);
  ProcessDetach();
  EXPECT_EQ(platform::WindowFind("Quenrix"), nullptr);
}

}  // namespace
}  // namespace bcr::test
