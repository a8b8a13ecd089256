// Windows and messages as the system's own: a window handle is the HWND, a registered message the
// system's number, the broadcast handle HWND_BROADCAST (the same 0xFFFF).
//
// Every class registered here has one system window procedure, which hands each message to the
// platform procedure of the window (WindowCreateWithProc) or of its class. The tables that map
// them are read under a lock that is never held while a procedure runs.
//
// Where Win32 differs from the message system of Linux:
// - a window belongs to its thread, and only that thread can destroy it. WindowDestroy from
//   another thread hands the window to the system's default procedure at once (nothing of the
//   library runs for it any more, which keeps an unload from another thread safe) and posts it
//   WM_CLOSE, whose default handling destroys it at the owner's next dispatch. Its class, which
//   cannot be removed while the window lives, is retired the same way when removal is asked, and
//   taken over by a later load of the library once the window is gone (WindowRelease leaves a
//   window to outlive the library the same way);
// - WindowDispatch runs what the queue holds, including messages posted while it runs, up to
//   kMessageQueueLimit a call. A thread message (no window) has no procedure to run: it is taken
//   off the queue, except WM_QUIT, which is posted again for the thread's own loop.
#include "platform/window.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/module.h"
#include "platform/win32/text.h"

namespace bcr::platform {

namespace {

struct ClassRow {
  std::wstring name;
  WindowProc proc;
};

struct WindowRow {
  HWND handle;
  WindowProc proc;
  std::wstring ownClass;  // the class WindowCreateWithProc registered for it, or ""
};

SRWLOCK tableLock = SRWLOCK_INIT;
std::vector<ClassRow> classes;
std::vector<WindowRow> windows;

HWND ToHandle(Window *window) {
  return reinterpret_cast<HWND>(window);
}

Window *FromHandle(HWND handle) {
  return reinterpret_cast<Window *>(handle);
}

bool SameClassName(const std::wstring &a, const std::wstring &b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void Report(uint32_t *error, uint32_t code) {
  if (error != nullptr) *error = code;
}

std::wstring ClassNameOf(HWND handle) {
  wchar_t name[257];
  int length = GetClassNameW(handle, name, 257);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

WindowProc ProcOf(HWND handle) {
  std::wstring className;
  WindowProc proc = nullptr;
  AcquireSRWLockShared(&tableLock);
  for (const WindowRow &row : windows) {
    if (row.handle == handle) proc = row.proc;
  }
  ReleaseSRWLockShared(&tableLock);
  if (proc != nullptr) return proc;
  className = ClassNameOf(handle);
  AcquireSRWLockShared(&tableLock);
  // The first row of a name is the registered class; a later one is a registration under way.
  for (auto row = classes.begin(); row != classes.end() && proc == nullptr; ++row) {
    if (SameClassName(row->name, className)) proc = row->proc;
  }
  ReleaseSRWLockShared(&tableLock);
  return proc;
}

LRESULT CALLBACK RouteMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowProc proc = ProcOf(handle);
  if (proc == nullptr) return DefWindowProcW(handle, message, wParam, lParam);
  return proc(FromHandle(handle), message, wParam, lParam);
}

bool ClassKnown(const std::wstring &name) {
  AcquireSRWLockShared(&tableLock);
  bool known = false;
  for (const ClassRow &row : classes) known = known || SameClassName(row.name, name);
  ReleaseSRWLockShared(&tableLock);
  return known;
}

// A top-level window of this module's class of that name, nullptr when there is none.
HWND WindowOfOwnClass(const std::wstring &name) {
  struct Search {
    const std::wstring *name;
    HWND found;
  } search{&name, nullptr};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        Search *s = reinterpret_cast<Search *>(parameter);
        if (GetClassLongPtrW(window, GCLP_HMODULE) == reinterpret_cast<ULONG_PTR>(OwnModule()) &&
            SameClassName(ClassNameOf(window), *s->name)) {
          s->found = window;
        }
        return s->found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Routes the windows made of a retired class from now on through this load again.
bool ReviveClass(const std::wstring &name) {
  HWND window = WindowOfOwnClass(name);
  if (window == nullptr) return false;
  SetClassLongPtrW(window, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(RouteMessage));
  return GetClassLongPtrW(window, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(RouteMessage);
}

bool RegisterRoutedClass(const std::wstring &name, WindowProc proc, uint32_t *error) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = RouteMessage;
  windowClass.hInstance = OwnModule();
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = name.c_str();
  bool known = ClassKnown(name);
  // The row goes in first: a window of the class can be made as soon as the class exists.
  AcquireSRWLockExclusive(&tableLock);
  classes.push_back({name, proc});
  ReleaseSRWLockExclusive(&tableLock);
  bool registered = RegisterClassW(&windowClass) != 0;
  // A class of this module that these tables do not know was left by an earlier load of the
  // library, retired (see UnregisterRoutedClass): it is taken over once its last window is gone,
  // and revived while windows released by that load (WindowRelease) still live on.
  if (!registered && !known && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    if (UnregisterClassW(name.c_str(), OwnModule())) {
      registered = RegisterClassW(&windowClass) != 0;
    } else if (GetLastError() == ERROR_CLASS_HAS_WINDOWS) {
      registered = ReviveClass(name);
    }
  }
  if (registered) return true;
  Report(error, GetLastError());
  AcquireSRWLockExclusive(&tableLock);
  for (auto row = classes.end(); row != classes.begin();) {
    --row;
    if (row->proc == proc && row->name == name) {
      classes.erase(row);
      break;
    }
  }
  ReleaseSRWLockExclusive(&tableLock);
  return false;
}

bool UnregisterRoutedClass(const std::wstring &name, uint32_t *error) {
  if (!UnregisterClassW(name.c_str(), OwnModule())) {
    DWORD code = GetLastError();
    // The class outlives this call through its windows, and may outlive the library: windows
    // made of it from now on run the system's default procedure instead of the routing here.
    HWND window = code == ERROR_CLASS_HAS_WINDOWS ? FindWindowW(name.c_str(), nullptr) : nullptr;
    if (window != nullptr &&
        GetClassLongPtrW(window, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(RouteMessage)) {
      SetClassLongPtrW(window, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
    }
    Report(error, code);
    return false;
  }
  AcquireSRWLockExclusive(&tableLock);
  for (auto row = classes.begin(); row != classes.end();) {
    row = SameClassName(row->name, name) ? classes.erase(row) : row + 1;
  }
  ReleaseSRWLockExclusive(&tableLock);
  return true;
}

HWND CreateTopLevel(const std::wstring &className) {
  // Disabled and not visible: a window that only receives messages.
  return CreateWindowExW(0, className.c_str(), L"", WS_DISABLED, 0, 0, 0, 0, nullptr, nullptr,
                         OwnModule(), nullptr);
}

}  // namespace

uint32_t WindowMessageRegister(const char *name) {
  if (name == nullptr || *name == '\0') return 0;
  return RegisterWindowMessageW(Widen(name).c_str());
}

bool WindowClassRegister(const char *className, WindowProc proc, uint32_t *error) {
  if (className == nullptr || *className == '\0' || proc == nullptr) {
    Report(error, kErrorInvalidParameter);
    return false;
  }
  return RegisterRoutedClass(Widen(className), proc, error);
}

bool WindowClassUnregister(const char *className, uint32_t *error) {
  if (className == nullptr || *className == '\0') {
    Report(error, kErrorClassDoesNotExist);
    return false;
  }
  return UnregisterRoutedClass(Widen(className), error);
}

Window *WindowCreate(const char *className) {
  if (className == nullptr || *className == '\0') return nullptr;
  return FromHandle(CreateTopLevel(Widen(className)));
}

Window *WindowCreateWithProc(const char *className, WindowProc proc) {
  if (className == nullptr || *className == '\0' || proc == nullptr) return nullptr;
  std::wstring name = Widen(className);
  bool ownClass = !ClassKnown(name) && RegisterRoutedClass(name, proc, nullptr);
  HWND handle = CreateTopLevel(name);
  if (handle == nullptr) {
    if (ownClass) UnregisterRoutedClass(name, nullptr);
    return nullptr;
  }
  // A class of another module runs its own procedure: the window is routed here instead.
  if (GetWindowLongPtrW(handle, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(RouteMessage)) {
    SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RouteMessage));
  }
  AcquireSRWLockExclusive(&tableLock);
  windows.push_back({handle, proc, ownClass ? name : std::wstring()});
  ReleaseSRWLockExclusive(&tableLock);
  return FromHandle(handle);
}

// A window of this process (not the broadcast handle); otherwise the last error says so.
static bool OwnWindow(Window *window, HWND *handle) {
  *handle = ToHandle(window);
  DWORD process = 0;
  if (window == BroadcastWindow() || !IsWindow(*handle) ||
      GetWindowThreadProcessId(*handle, &process) == 0 || process != GetCurrentProcessId()) {
    SetLastError(kErrorInvalidWindowHandle);
    return false;
  }
  return true;
}

bool WindowDestroy(Window *window) {
  HWND handle = nullptr;
  if (!OwnWindow(window, &handle)) return false;
  std::wstring ownClass;
  bool classStillUsed = false;
  AcquireSRWLockExclusive(&tableLock);
  for (auto row = windows.begin(); row != windows.end();) {
    if (row->handle == handle) {
      ownClass = row->ownClass;
      row = windows.erase(row);
    } else {
      ++row;
    }
  }
  for (const WindowRow &row : windows) {
    classStillUsed = classStillUsed || (!ownClass.empty() && SameClassName(row.ownClass, ownClass));
  }
  ReleaseSRWLockExclusive(&tableLock);

  bool destroyed;
  if (GetWindowThreadProcessId(handle, nullptr) == GetCurrentThreadId()) {
    destroyed = DestroyWindow(handle) != FALSE;
  } else {
    SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
    destroyed = PostMessageW(handle, WM_CLOSE, 0, 0) != FALSE;
  }
  if (destroyed && !ownClass.empty() && !classStillUsed) UnregisterRoutedClass(ownClass, nullptr);
  return destroyed;
}

bool WindowRelease(Window *window) {
  HWND handle = nullptr;
  if (!OwnWindow(window, &handle)) return false;
  AcquireSRWLockExclusive(&tableLock);
  for (auto row = windows.begin(); row != windows.end();) {
    row = row->handle == handle ? windows.erase(row) : row + 1;
  }
  ReleaseSRWLockExclusive(&tableLock);
  // The window's own procedure, not only its class's: this one is called for it from now on,
  // whichever thread dispatches, so nothing of the library runs for it once it is unloaded.
  SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
  return true;
}

Window *WindowFind(const char *className) {
  if (className == nullptr || *className == '\0') return nullptr;
  return FromHandle(FindWindowW(Widen(className).c_str(), nullptr));
}

bool WindowPost(Window *window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageW(ToHandle(window), message, wParam, lParam) != FALSE;
}

uint64_t WindowMessageTime() {
  // GetMessageTime is the 32-bit tick count at the post: its distance back from now, in the same
  // wrapping count, places it on the 64-bit clock.
  const uint64_t now = GetTickCount64();
  const DWORD ago = static_cast<DWORD>(now) - static_cast<DWORD>(GetMessageTime());
  // A message time far back is none the system kept for this message.
  constexpr DWORD kLongestAgo = 60000;
  return ago <= kLongestAgo && ago <= now ? now - ago : now;
}

int WindowDispatch(int timeoutMs) {
  const uint64_t start = GetTickCount64();
  int ran = 0;
  for (;;) {
    MSG message;
    uint32_t taken = 0;
    while (taken < kMessageQueueLimit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ++taken;
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return ran;
      }
      if (message.hwnd == nullptr) continue;
      DispatchMessageW(&message);
      ++ran;
    }
    if (ran > 0 || taken >= kMessageQueueLimit) return ran;
    DWORD wait = INFINITE;
    if (timeoutMs >= 0) {
      uint64_t elapsed = GetTickCount64() - start;
      if (elapsed >= static_cast<uint64_t>(timeoutMs)) return 0;
      wait = static_cast<DWORD>(static_cast<uint64_t>(timeoutMs) - elapsed);
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

intptr_t WindowDefaultProc(Window *window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProcW(ToHandle(window), message, wParam, lParam);
}

}  // namespace bcr::platform
