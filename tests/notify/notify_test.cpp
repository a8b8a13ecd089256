// Beeper and NotificationSettings, with the sound going to a record file; and what the reader
// window releases after a decode, in order.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <semaphore.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "notify/beeper.h"
#include "notify/notification_settings.h"
#include "reader/globals.h"
#include "reader/lifecycle.h"
#include "reader/window_proc.h"
#include "state/library_state.h"
#include "state/settings.h"

namespace {

// What the watching thread signalled, in order: the condition variable of a semaphore's release,
// a post's wake-up of the dispatchers, or a set of the named event.
thread_local bool watching = false;
std::vector<const void *> signalled;
const void *const kPosted = &signalled;
const void *const kEventSet = &watching;

template <typename Function>
Function Real(const char *name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int pthread_cond_signal(pthread_cond_t *cond) {
  static const auto real = Real<int (*)(pthread_cond_t *)>("pthread_cond_signal");
  if (watching) signalled.push_back(cond);
  return real(cond);
}

// A post wakes every dispatcher.
extern "C" int pthread_cond_broadcast(pthread_cond_t *cond) {
  static const auto real = Real<int (*)(pthread_cond_t *)>("pthread_cond_broadcast");
  if (watching) signalled.push_back(kPosted);
  return real(cond);
}

extern "C" int sem_post(sem_t *semaphore) {
  static const auto real = Real<int (*)(sem_t *)>("sem_post");
  if (watching) signalled.push_back(kEventSet);
  return real(semaphore);
}

namespace bcr {
namespace {

using Lines = std::vector<std::string>;

// The sound sink is chosen once per process, so every test of the process shares this file.
std::string RecordFile() {
  return "/tmp/bcr-notify-" + std::to_string(getpid()) + ".rec";
}

Lines Recorded() {
  Lines lines;
  std::ifstream in(RecordFile());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class Notify : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("BCREADER_SOUND", ("record:" + RecordFile()).c_str(), 1);
    std::remove(RecordFile().c_str());
    ResetSettings();
  }
  void TearDown() override { std::remove(RecordFile().c_str()); }
};

TEST_F(Notify, BeeperStopsThenPlaysATableSoundOrTheGivenPath) {
  const struct {
    int32_t sound;
    const char *path;
    int32_t result;
    Lines lines;
  } cases[] = {
      {1, "ignored.wav", 1, {"stop", "play 139264 \\Windows\\Default"}},
      {9, nullptr, 1, {"stop", "play 139264 \\Windows\\LowBatt_CE"}},
      {0, nullptr, 1, {"stop"}},
      {INT32_MIN, nullptr, 1, {"stop"}},
      {10, nullptr, 4, {}},  // above the table: not even a stop
      {INT32_MAX, "/tmp/x.wav", 4, {}},
      {-1, nullptr, -242, {}},
      {-1, "/usr/share/sounds/ding.wav", 1, {"stop", "play 139264 /usr/share/sounds/ding.wav"}},
      {-1, "", 1, {"stop", "play 139264 "}},
      {-1, "\\Windows\\Alarm2", 1, {"stop", "play 139264 \\Windows\\Alarm2"}},
  };
  for (const auto &c : cases) {
    std::remove(RecordFile().c_str());
    EXPECT_EQ(BeeperResult(c.sound, c.path), c.result) << c.sound;
    EXPECT_EQ(Recorded(), c.lines) << c.sound;
  }
}

TEST_F(Notify, SettingsReadAndWriteTheGivenValuesUncheckedInTheirModesOnly) {
  int32_t got[4] = {-7, -7, -7, -7};
  EXPECT_EQ(NotificationSettingsResult('r', &got[0], &got[1], &got[2], &got[3]), 1);
  EXPECT_EQ((std::vector<int32_t>(got, got + 4)), (std::vector<int32_t>{2, 0, 2, 0}));

  // Another mode, or no pointers at all, does nothing.
  int32_t nine[4] = {9, 9, 9, 9};
  EXPECT_EQ(NotificationSettingsResult('x', &nine[0], &nine[1], &nine[2], &nine[3]), 0);
  EXPECT_EQ(NotificationSettingsResult('R', &nine[0], &nine[1], &nine[2], &nine[3]), 0);
  EXPECT_EQ(NotificationSettingsResult('r', nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(NotificationSettingsResult('w', nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ((std::vector<int32_t>(nine, nine + 4)), (std::vector<int32_t>{9, 9, 9, 9}));

  int32_t vibrate = 1, led = -5, sound = 42, units = -1;
  EXPECT_EQ(NotificationSettingsResult('w', nullptr, &vibrate, nullptr, &led), 1);
  EXPECT_EQ(NotificationSettingsResult('w', &sound, nullptr, &units, nullptr), 1);
  EXPECT_EQ(NotificationSettingsResult('r', &got[0], &got[1], &got[2], &got[3]), 1);
  EXPECT_EQ((std::vector<int32_t>(got, got + 4)), (std::vector<int32_t>{42, 1, -1, -5}));
  EXPECT_EQ(CurrentSettings().vibrateUnits.load(), 0xFFFFFFFFu);
}

// The window procedure's delivery of a decode, on this thread with no worker running: the
// vibrator, LED and sound workers are woken in that order, then the broadcast is posted, then the
// named event is set.
TEST(DecodeDelivery, ReleasesVibratorLedSoundThenBroadcastThenEvent) {
  const std::string prefix = "bcrtest" + std::to_string(getpid()) + "delivery";
  setenv("BCREADER_EVENT_PREFIX", prefix.c_str(), 1);
  ProcessAttach(nullptr);
  unsetenv("BCREADER_EVENT_PREFIX");
  sem_unlink(("/" + prefix + "DecodeEventBC").c_str());  // the handle stays usable
  ASSERT_NE(State().decodeEvent, nullptr);

  signalled.clear();
  watching = true;
  ReaderWindowProc(nullptr, State().messages.decode, kDecodeMessageParam, 0);
  watching = false;

  // A release wakes the condition variable inside its semaphore: the nearest start below it.
  const struct {
    Worker worker;
    const char *name;
  } workers[] = {{kVibrateWorker, "vibrator"}, {kLedWorker, "LED"}, {kBeepWorker, "sound"}};
  std::vector<std::string> order;
  for (const void *what : signalled) {
    std::string name = what == kPosted ? "broadcast" : what == kEventSet ? "event" : "other";
    const char *nearest = nullptr;
    for (const auto &w : workers) {
      const char *start = reinterpret_cast<const char *>(State().workers[w.worker].start);
      if (start <= what && what < start + 256 && (nearest == nullptr || start > nearest)) {
        nearest = start;
        name = w.name;
      }
    }
    order.push_back(name);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"vibrator", "LED", "sound", "broadcast", "event"}));
  ProcessDetach();
}

}  // namespace
}  // namespace bcr
