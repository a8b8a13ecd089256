// Writers of the registry file taking turns: no write is lost to another.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.h"

namespace bcr::platform {
namespace {

TEST(RegistryThreaded, ConcurrentWritersLoseNoValue) {
  char pattern[] = "/tmp/bcr-registry-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string folder = pattern;
  setenv("BCREADER_REGISTRY", (folder + "/registry.reg").c_str(), 1);

  constexpr int kWriters = 4;
  constexpr int kWrites = 8;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([w] {
      std::string name = "Value" + std::to_string(w);
      for (int k = 1; k <= kWrites; ++k) {
        EXPECT_TRUE(RegistryWriteDword(kRegistryLocalMachine, "Test", name.c_str(), k));
      }
    });
  }
  for (std::thread &writer : writers) writer.join();

  for (int w = 0; w < kWriters; ++w) {
    uint32_t data = 0;
    std::string name = "Value" + std::to_string(w);
    EXPECT_TRUE(RegistryReadDword(kRegistryLocalMachine, "Test", name.c_str(), &data)) << name;
    EXPECT_EQ(data, static_cast<uint32_t>(kWrites)) << name;
  }
  unsetenv("BCREADER_REGISTRY");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace bcr::platform
