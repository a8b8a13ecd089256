// Loading and unloading the library repeatedly in one process.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>

#include "sim/engine.h"
#include "support/loaded_library.h"

namespace bcr::test {
namespace {

TEST(Unload, RepeatedLoadInitUnloadLeavesNothingBehind) {
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  ScratchDir scratch;
  PointLibraryAt(engine->Path(), "1", scratch);
  int threads = ThreadCount();
  int descriptors = DescriptorCount();
  for (int round = 0; round < 3; ++round) {
    LoadedLibrary library;
    ASSERT_EQ(BCR_FN(library, InitReader)(), 1) << "round " << round;
    EXPECT_GT(ThreadCount(), threads);
    auto start = std::chrono::steady_clock::now();
    library.Close();
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(2)) << "round " << round;
    EXPECT_EQ(dlopen((LibDir() + "/libbcreader.so").c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "the library stayed loaded";
    EXPECT_EQ(ThreadCount(), threads) << "round " << round;
    EXPECT_EQ(DescriptorCount(), descriptors) << "round " << round;
  }
}

TEST(Unload, TheLibraryCanUnloadWithoutEverStarting) {
  LoadedLibrary library;
  library.Close();
  EXPECT_EQ(dlopen((LibDir() + "/libbcreader.so").c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

}  // namespace
}  // namespace bcr::test
