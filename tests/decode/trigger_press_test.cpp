// What a trigger press does to the reader's window by engine and trigger mode: it releases one
// reception of the decode thread, except in the engine's continuous mode, where the auto-trigger
// does that.
#include <gtest/gtest.h>

#include "platform/sync.h"
#include "reader/globals.h"
#include "reader/window_proc.h"
#include "state/library_state.h"
#include "state/scan_engine.h"
#include "state/workers.h"

namespace bcr {
namespace {

TEST(TriggerPress, ReleasesOneReadUnlessTheEngineIsInItsContinuousMode) {
  const struct {
    int32_t engine;
    uint32_t triggerMode;
    bool released;
  } kCases[] = {
      {kEngineSE955, 7, true}, {kImager4507, 7, false}, {kEngineSE955, 4, false},
      {kImager4507, 4, true},  {kImager4507, 8, true},  {kEngineSE955, 8, true},
  };
  LibraryState &state = State();
  platform::Semaphore *start = platform::SemaphoreCreate(0, 10);
  state.workers[kDecodeWorker].start = start;
  state.messages.user1Down = 0xC101;
  state.messages.user2Down = 0xC102;
  state.readerInitialised = 1;
  for (const auto &c : kCases) {
    SCOPED_TRACE(testing::Message() << c.engine << " mode " << c.triggerMode);
    TheReader().link.SetDeviceType(c.engine);
    TheReader().triggerMode = c.triggerMode;
    for (uint32_t press : {0xC101u, 0xC102u}) {
      EXPECT_EQ(ReaderWindowProc(nullptr, press, 0, 0), 0);
      EXPECT_EQ(platform::SemaphoreWait(start, 0) == platform::WaitResult::kSignalled, c.released);
      EXPECT_NE(platform::SemaphoreWait(start, 0), platform::WaitResult::kSignalled);
    }
  }
  state.workers[kDecodeWorker].start = nullptr;
  state.readerInitialised = 0;
  state.messages.user1Down = state.messages.user2Down = 0;
  TheReader().link.SetDeviceType(kNoEngine);
  TheReader().triggerMode = kInitialTriggerMode;
  platform::SemaphoreClose(start);
}

}  // namespace
}  // namespace bcr
