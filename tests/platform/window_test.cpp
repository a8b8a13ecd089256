// The message system on one thread: message numbers, classes, windows, the queue.
#include "platform/window.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"

namespace bcr::platform {
namespace {

struct Received {
  Window *window;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};
std::vector<Received> received;  // what Record saw, in order

intptr_t Record(Window *window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  received.push_back({window, message, wParam, lParam});
  return WindowDefaultProc(window, message, wParam, lParam);
}

class Windows : public ::testing::Test {
 protected:
  void SetUp() override { received.clear(); }
  void TearDown() override {
    for (Window *window : made_) WindowDestroy(window);
    while (WindowDispatch(0) > 0) {
    }
  }
  Window *Make(const char *className) {
    Window *window = WindowCreateWithProc(className, Record);
    made_.push_back(window);
    return window;
  }
  std::vector<Window *> made_;
};

TEST_F(Windows, MessageNumbersAreSharedByNamesThatDifferOnlyInCase) {
  uint32_t down = WindowMessageRegister("WM_USER1DOWN");
  EXPECT_GE(down, 0xC000u);
  EXPECT_LE(down, 0xFFFFu);
  EXPECT_EQ(WindowMessageRegister("wm_user1down"), down);
  EXPECT_EQ(WindowMessageRegister("Wm_User1Down"), down);
  uint32_t up = WindowMessageRegister("WM_USER1UP");
  EXPECT_NE(up, down);
  EXPECT_GE(up, 0xC000u);
  EXPECT_EQ(WindowMessageRegister(""), 0u);
  EXPECT_EQ(WindowMessageRegister(nullptr), 0u);
}

TEST_F(Windows, ClassRulesFollowWin32) {
  uint32_t error = 0;
  ASSERT_TRUE(WindowClassRegister("RulesClass", Record, &error));
  EXPECT_FALSE(WindowClassRegister("rulesclass", Record, &error));
  EXPECT_EQ(error, kErrorClassAlreadyExists);

  Window *window = WindowCreate("RULESCLASS");
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(WindowClassUnregister("RulesClass", &error));
  EXPECT_EQ(error, kErrorClassHasWindows);
  EXPECT_EQ(WindowFind("RulesClass"), window);  // the class and its window are still there

  EXPECT_TRUE(WindowDestroy(window));
  EXPECT_TRUE(WindowClassUnregister("RulesClass", &error));
  EXPECT_FALSE(WindowClassUnregister("RulesClass", &error));
  EXPECT_EQ(error, kErrorClassDoesNotExist);
  EXPECT_EQ(WindowCreate("RulesClass"), nullptr);
  EXPECT_FALSE(WindowClassRegister("", Record, &error));
  EXPECT_EQ(error, kErrorInvalidParameter);
}

TEST_F(Windows, ApplicationWindowBringsItsClassAndFindGivesTheNewestOfAClass) {
  EXPECT_EQ(WindowFind("FindClass"), nullptr);
  Window *first = Make("FindClass");
  Window *second = Make("findclass");
  EXPECT_EQ(WindowFind("FINDCLASS"), second);
  uint32_t error = 0;
  EXPECT_FALSE(WindowClassRegister("FindClass", Record, &error));
  EXPECT_EQ(error, kErrorClassAlreadyExists);
  WindowDestroy(second);
  EXPECT_EQ(WindowFind("FindClass"), first);
  WindowDestroy(first);
  EXPECT_TRUE(WindowClassRegister("FindClass", Record, &error));
  EXPECT_TRUE(WindowClassUnregister("FindClass"));
}

TEST_F(Windows, DestroyedWindowsAndHandlesThatAreNoWindowGetNothing) {
  Window *window = Make("GoneClass");
  ASSERT_TRUE(WindowPost(window, 0xC100, 0, 0));
  ASSERT_TRUE(WindowDestroy(window));
  EXPECT_EQ(WindowDispatch(0), 0);
  EXPECT_TRUE(received.empty());
  // Refused without being followed.
  for (uintptr_t bogus : {reinterpret_cast<uintptr_t>(window), uintptr_t{0}, uintptr_t{1},
                          uintptr_t{0x1234567}, ~uintptr_t{0}}) {
    EXPECT_FALSE(WindowPost(reinterpret_cast<Window *>(bogus), 0xC100, 0, 0));
    EXPECT_FALSE(WindowDestroy(reinterpret_cast<Window *>(bogus)));
  }
}

// A procedure that posts to its own window, creates and destroys windows while it runs.
Window *busyWindow = nullptr;
intptr_t Busy(Window *window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Record(window, message, wParam, lParam);
  WindowPost(window, message + 1, 0, 0);
  Window *extra = WindowCreateWithProc("BusyExtra", Record);
  WindowDestroy(extra);
  return 0;
}

TEST_F(Windows, ProceduresMayUseTheSystemAndTheirPostsWaitForTheNextDispatch) {
  busyWindow = WindowCreateWithProc("BusyClass", Busy);
  made_.push_back(busyWindow);
  ASSERT_TRUE(WindowPost(busyWindow, 0xC300, 0, 0));
  EXPECT_EQ(WindowDispatch(0), 1);
  EXPECT_EQ(WindowDispatch(0), 1);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[1].message, 0xC301u);
  WindowDestroy(busyWindow);
}

}  // namespace
}  // namespace bcr::platform
