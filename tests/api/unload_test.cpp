// Loading and unloading the library repeatedly in one process.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "sim/engine.h"
#include "support/loaded_library.h"

namespace bcr::test {
namespace {

// Every round ends with a good read's sound pending, so the sound worker is still busy as the
// unload begins: it must finish with the library's objects intact and write nothing but the file
// it is given (run from the scratch folder, where a stray file would land).
TEST(Unload, RepeatedLoadInitUnloadLeavesNothingBehind) {
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  ScratchDir scratch;
  PointLibraryAt(engine->Path(), "1", scratch);
  setenv("BCREADER_SOUND", ("record:" + scratch.File("sounds")).c_str(), 1);
  char *cwd = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(scratch.Path().c_str()), 0);
  int threads = ThreadCount();
  int descriptors = DescriptorCount();
  for (int round = 0; round < 3; ++round) {
    LoadedLibrary library;
    ASSERT_EQ(BCR_FN(library, InitReader)(), 1) << "round " << round;
    EXPECT_GT(ThreadCount(), threads);
    BCR_FN(library, BcrPostMessage)
    (BCR_FN(library, BcrFindWindow)("Quenrix"),
     BCR_FN(library, BcrRegisterWindowMessage)("WM_DECODE"), 2, 0);
    BCR_FN(library, BcrDispatchMessages)(0);
    auto start = std::chrono::steady_clock::now();
    library.Close();
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(2)) << "round " << round;
    EXPECT_EQ(dlopen((LibDir() + "/libbcreader.so").c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "the library stayed loaded";
    EXPECT_EQ(ThreadCount(), threads) << "round " << round;
    EXPECT_EQ(DescriptorCount(), descriptors) << "round " << round;
  }
  EXPECT_EQ(chdir(cwd), 0);
  free(cwd);
  std::set<std::string> files;
  if (DIR *dir = opendir(scratch.Path().c_str()); dir != nullptr) {
    while (const dirent *entry = readdir(dir)) {
      if (entry->d_name[0] != '.') files.insert(entry->d_name);
    }
    closedir(dir);
  }
  EXPECT_EQ(files, std::set<std::string>{"sounds"});
}

TEST(Unload, TheLibraryCanUnloadWithoutEverStarting) {
  LoadedLibrary library;
  library.Close();
  EXPECT_EQ(dlopen((LibDir() + "/libbcreader.so").c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

// The sound worker wakes for a decode while the library is being unloaded (an application module
// unloaded with it delivers one, the loader's lock already held): its play must not need the
// loader, or the unload waits for it for ever. Run in a child process, which a hang cannot keep.
TEST(Unload, ASoundThatStartsDuringTheUnloadLetsItEnd) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
    ScratchDir scratch;
    PointLibraryAt(engine->Path(), "1", scratch);
    setenv("BCREADER_SOUND", "alsa:null", 1);
    setenv("BCREADER_SOUND_DIR", BCR_SOUNDS_DIR, 1);
    std::string probe =
        LibDir().substr(0, LibDir().rfind('/')) + "/tests/libbcreader-unload-probe.so";
    void *module = dlopen(probe.c_str(), RTLD_NOW);
    auto init =
        module != nullptr ? reinterpret_cast<int32_t (*)()>(dlsym(module, "InitReader")) : nullptr;
    if (init == nullptr || init() != 1) _exit(2);
    dlclose(module);
    _exit(0);
  }
  int status = -1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      FAIL() << "the unload did not end";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace bcr::test
