// Windows and posted messages of the platform layer, with the meaning the Win32 calls of the
// same purpose have: registered message numbers, window classes, top-level windows owned by the
// thread that creates them, posted messages queued for the owning thread and run by that thread
// when it dispatches, and a broadcast to every top-level window.
//
// On Windows these are the system's own calls; on Linux this is a small message system inside
// the process that applications reach through include/bcreader_posix.h.
//
// Handles: a window handle is a number (0x10000 and up, never reused) cast to a pointer; calls
// look it up and never dereference it, so a stale or made-up handle is refused, not followed.
// BroadcastWindow() (0xFFFF) stands for every top-level window in WindowPost.
//
// Thread rules: every call may be made from any thread at any time. Window procedures run on the
// owning thread inside WindowDispatch, outside every lock of the message system, so a procedure
// may post, create and destroy windows, and dispatch. A window may be destroyed from any thread;
// a procedure call already running then finishes, messages not yet run are dropped.
// Errors: failing calls return false, nullptr or 0; where an error code is asked for it is the
// Win32 code of the same failure (kError...).
#ifndef BCREADER_PLATFORM_WINDOW_H
#define BCREADER_PLATFORM_WINDOW_H

#include <cstdint>

namespace bcr::platform {

struct Window;  // a window handle

using WindowProc = intptr_t (*)(Window *window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

// The handle that addresses every top-level window in WindowPost.
inline Window *BroadcastWindow() {
  return reinterpret_cast<Window *>(uintptr_t{0xFFFF});
}

constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInvalidWindowHandle = 1400;
constexpr uint32_t kErrorCannotFindWindowClass = 1407;
constexpr uint32_t kErrorClassAlreadyExists = 1410;
constexpr uint32_t kErrorClassDoesNotExist = 1411;
constexpr uint32_t kErrorClassHasWindows = 1412;
constexpr uint32_t kErrorNotEnoughQuota = 1816;

// Messages a thread's queue holds at most; posts beyond fail with kErrorNotEnoughQuota.
constexpr uint32_t kMessageQueueLimit = 10000;

// The number of the message registered under name, 0xC000..0xFFFF: the same for the same name,
// compared without regard to ASCII case, for the life of the process. 0 for an empty name or
// when all numbers are taken. Does not block.
uint32_t WindowMessageRegister(const char *name);

// Registers a window class whose windows run proc. Class names compare without regard to ASCII
// case. On failure *error (when not null) receives kErrorClassAlreadyExists when the name is
// registered already (the existing class is kept) or kErrorInvalidParameter.
bool WindowClassRegister(const char *className, WindowProc proc, uint32_t *error = nullptr);

// Removes a class. Fails with kErrorClassDoesNotExist, or kErrorClassHasWindows while windows of
// it exist (the class is then kept, as on Windows).
bool WindowClassUnregister(const char *className, uint32_t *error = nullptr);

// Creates a top-level window of a registered class, owned by the calling thread and running the
// class's procedure. nullptr when the class is not registered.
Window *WindowCreate(const char *className);

// As WindowCreate, but the window runs proc; when the class is not registered it is registered
// for the window with proc and unregistered again when its last window is destroyed. This is
// how an application makes a window without a class of its own.
Window *WindowCreateWithProc(const char *className, WindowProc proc);

// Destroys a window: its queued messages are dropped, later posts to it fail.
bool WindowDestroy(Window *window);

// Leaves the window to outlive the code that made it: it stays, with its owner and its queue,
// but from now on its messages get the default handling (WindowDefaultProc) instead of its
// procedure, so that the library may be unloaded while the window lives on. False for a handle
// that is not a live window.
bool WindowRelease(Window *window);

// The most recently created window of that class, nullptr when there is none.
Window *WindowFind(const char *className);

// Queues a message for the thread that owns the window and returns at once. BroadcastWindow()
// queues it for every top-level window (succeeding even when there is none). False for a handle
// that is not a live window, or a full queue.
bool WindowPost(Window *window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Runs the messages queued for the calling thread's windows, in the order they were posted,
// each through its window's procedure; messages posted while they run wait for the next call.
// Waits up to timeoutMs for the first message (0: no wait; negative: no limit; a thread that
// owns no window waits out the time). Returns how many procedures ran.
int WindowDispatch(int timeoutMs);

// When the message the calling thread's window procedure is handling was posted, on the clock of
// platform/clock.h (Win32: GetMessageTime); the present time outside a dispatch.
uint64_t WindowMessageTime();

// The default handling of a message: nothing, result 0.
intptr_t WindowDefaultProc(Window *window, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_WINDOW_H
