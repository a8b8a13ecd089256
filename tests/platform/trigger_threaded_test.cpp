// The scan key watcher: input_event records fed through a FIFO become trigger messages on a
// window this test owns and dispatches.
#include "platform/trigger.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/window.h"

namespace bcr::platform {
namespace {

constexpr uint16_t kScanKey = 191;

// Messages in the order the test window received them; touched only by the test thread, which
// owns the window and dispatches.
std::vector<uint32_t> received;

intptr_t Record(Window *, uint32_t message, uintptr_t, intptr_t) {
  received.push_back(message);
  return 0;
}

class Trigger : public ::testing::Test {
 protected:
  void SetUp() override {
    // A write to a FIFO whose reader is gone must fail, not end the test.
    signal(SIGPIPE, SIG_IGN);
    received.clear();
    down_ = WindowMessageRegister("WM_USER1DOWN");
    up_ = WindowMessageRegister("WM_USER1UP");
    window_ = WindowCreateWithProc("TriggerTestWindow", Record);
    ASSERT_NE(window_, nullptr);
    char pattern[] = "/tmp/bcr-trigger-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    // A ':' in the path: the key code follows the last one.
    fifo_ = MakeFifo("scan:key");
  }

  void TearDown() override {
    TriggerSourceStop();
    for (int fd : writers_) close(fd);
    for (const std::string &fifo : fifos_) unlink(fifo.c_str());
    rmdir(folder_.c_str());
    WindowDestroy(window_);
    unsetenv("BCREADER_TRIGGER");
  }

  std::string MakeFifo(const std::string &name) {
    std::string path = folder_ + "/" + name;
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0) << std::strerror(errno);
    fifos_.push_back(path);
    return path;
  }

  bool Start(const std::string &setting) {
    setenv("BCREADER_TRIGGER", setting.c_str(), 1);
    return TriggerSourceStart(window_, down_, up_);
  }

  // Starts on the FIFO and opens its writing end (which needs the reader to be there).
  int StartOn(const std::string &fifo, uint16_t key = kScanKey) {
    if (!Start(fifo + ":" + std::to_string(key))) return -1;
    int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) writers_.push_back(fd);
    return fd;
  }

  static bool Send(int fd, uint16_t type, uint16_t code, int32_t value) {
    input_event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    event.code = code;
    event.value = value;
    return write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
  }

  // Dispatches until count messages arrived or 5 s passed.
  void AwaitMessages(size_t count) {
    for (uint64_t deadline = NowMs() + 5000; received.size() < count && NowMs() < deadline;) {
      WindowDispatch(50);
    }
  }

  uint32_t down_ = 0;
  uint32_t up_ = 0;
  Window *window_ = nullptr;
  std::string folder_;
  std::string fifo_;
  std::vector<std::string> fifos_;
  std::vector<int> writers_;
};

TEST_F(Trigger, PressPostsOneDownAndReleaseOneUpWhateverElseArrives) {
  int fd = StartOn(fifo_);
  ASSERT_GE(fd, 0);
  // Other keys, other event types, auto-repeat and unknown values post nothing.
  const std::pair<uint16_t, uint16_t> noise[] = {
      {EV_KEY, kScanKey - 1}, {EV_KEY, kScanKey + 1}, {EV_MSC, MSC_SCAN}, {EV_REL, kScanKey}};
  for (auto [type, code] : noise) {
    for (int32_t value : {1, 0}) ASSERT_TRUE(Send(fd, type, code, value));
  }
  ASSERT_TRUE(Send(fd, EV_KEY, kScanKey, 7));
  ASSERT_TRUE(Send(fd, EV_KEY, kScanKey, 1));
  ASSERT_TRUE(Send(fd, EV_SYN, SYN_REPORT, 0));
  ASSERT_TRUE(Send(fd, EV_KEY, kScanKey, 2));
  // A record split across writes still counts once whole.
  input_event release;
  std::memset(&release, 0, sizeof release);
  release.type = EV_KEY;
  release.code = kScanKey;
  const char *bytes = reinterpret_cast<const char *>(&release);
  const size_t cut = sizeof release / 2 + 3;
  AwaitMessages(1);
  ASSERT_EQ(write(fd, bytes, cut), static_cast<ssize_t>(cut));
  WindowDispatch(100);
  EXPECT_EQ(received, (std::vector<uint32_t>{down_}));
  ASSERT_EQ(write(fd, bytes + cut, sizeof release - cut),
            static_cast<ssize_t>(sizeof release - cut));
  AwaitMessages(2);
  WindowDispatch(100);
  EXPECT_EQ(received, (std::vector<uint32_t>{down_, up_}));
}

TEST_F(Trigger, MissingOrMalformedSettingWatchesNothing) {
  unsetenv("BCREADER_TRIGGER");
  EXPECT_FALSE(TriggerSourceStart(window_, down_, up_));
  for (const std::string &setting : {
           std::string(""),
           fifo_,
           fifo_ + ":",
           std::string(":191"),
           fifo_ + ":19x",
           fifo_ + ":99999999999999999999",
           fifo_ + ":768",  // beyond the last key code
           folder_ + "/missing:191",
       }) {
    EXPECT_FALSE(Start(setting)) << setting;
  }
  EXPECT_FALSE(TriggerSourceStart(nullptr, down_, up_));
}

// A watcher is replaced by the next start, ends when its writer goes, and is stopped at once.
TEST_F(Trigger, StartingAgainReplacesTheWatcherAndStopClosesTheDevice) {
  TriggerSourceStop();  // not started: nothing to do
  int first = StartOn(fifo_);
  ASSERT_GE(first, 0);
  int second = StartOn(MakeFifo("second"));
  ASSERT_GE(second, 0);
  EXPECT_FALSE(Send(first, EV_KEY, kScanKey, 0));  // its reader is closed
  ASSERT_TRUE(Send(second, EV_KEY, kScanKey, 1));
  close(second);
  writers_.pop_back();
  AwaitMessages(1);
  EXPECT_EQ(received, (std::vector<uint32_t>{down_}));
  // The watchers are woken, not waited out; the bounds only guard against a hang.
  uint64_t start = NowMs();
  TriggerSourceStop();
  EXPECT_LT(NowMs() - start, 2000u);
  int third = StartOn(fifo_);
  ASSERT_GE(third, 0);
  ASSERT_TRUE(Send(third, EV_KEY, kScanKey, 0));
  AwaitMessages(2);
  EXPECT_EQ(received, (std::vector<uint32_t>{down_, up_}));
  start = NowMs();
  TriggerSourceStop();
  EXPECT_LT(NowMs() - start, 2000u);
  // With the reading end closed the FIFO refuses writes: nothing can be posted any more.
  EXPECT_FALSE(Send(third, EV_KEY, kScanKey, 1));
  EXPECT_EQ(errno, EPIPE);
  WindowDispatch(100);
  EXPECT_EQ(received.size(), 2u);
}

}  // namespace
}  // namespace bcr::platform
