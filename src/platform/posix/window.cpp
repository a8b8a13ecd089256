// The message system on Linux: tables of message names, classes and windows, and one queue of
// posted messages per owning thread, all under one lock.
//
// Unloading: the tables live on the heap behind a plain pointer and are freed by the library's
// finaliser; the lock and the condition variable are statically initialised and need no
// destruction. A call that comes after the finaliser (a detach handler that runs later, a
// thread still dispatching at process exit) finds no tables and fails harmlessly, whichever
// order the finalisers of the library run in.
#include "platform/window.h"

#include "platform/clock.h"

#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <deque>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "util/ascii.h"

namespace bcr::platform {

namespace {

constexpr uint32_t kFirstMessage = 0xC000;
constexpr uint32_t kLastMessage = 0xFFFF;
constexpr uintptr_t kBroadcastId = 0xFFFF;
constexpr uintptr_t kFirstWindowId = 0x10000;

struct WindowClass {
  std::string name;
  WindowProc proc = nullptr;
  bool implicit = false;  // registered by WindowCreateWithProc, gone with its last window
  uint32_t windows = 0;
};

struct WindowRecord {
  std::string className;
  WindowProc proc = nullptr;
  uint64_t owner = 0;  // ThreadNumber() of the creating thread
};

struct PostedMessage {
  uint64_t sequence = 0;
  uintptr_t window = 0;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  uint64_t postedMs = 0;
};

struct State {
  std::vector<std::string> messageNames;  // [i] is message kFirstMessage + i
  std::vector<WindowClass> classes;
  std::map<uintptr_t, WindowRecord> windows;             // by handle, so in order of creation
  std::map<uint64_t, std::deque<PostedMessage>> queues;  // by owning thread
  uintptr_t nextWindow = kFirstWindowId;
  uint64_t nextSequence = 1;
  uint64_t nextThread = 1;
};

pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t posted = PTHREAD_COND_INITIALIZER;  // signalled on every post
State *state = nullptr;
bool finished = false;  // the finaliser has run: no tables any more

// The number of the calling thread in the message system; 0 until it is first needed. A plain
// number: a thread_local with a destructor would keep the library from unloading.
thread_local uint64_t threadNumber = 0;
// When the message the thread is dispatching was posted; 0 outside a dispatch.
thread_local uint64_t dispatchedPostedMs = 0;

// Holds the lock and knows whether it does, so that an exception from a window procedure
// cannot leave it held or release it twice.
class Locked {
 public:
  Locked() { Lock(); }
  ~Locked() {
    if (held_) pthread_mutex_unlock(&lock);
  }
  Locked(const Locked &) = delete;
  Locked &operator=(const Locked &) = delete;
  void Lock() {
    pthread_mutex_lock(&lock);
    held_ = true;
  }
  void Unlock() {
    held_ = false;
    pthread_mutex_unlock(&lock);
  }

 private:
  bool held_ = false;
};

// The tables, created on first use; nullptr after the finaliser or when memory runs out. Called
// with the lock held.
State *Tables() {
  if (state == nullptr && !finished) state = new (std::nothrow) State;
  return state;
}

uint64_t ThreadNumber(State *tables) {
  if (threadNumber == 0) threadNumber = tables->nextThread++;
  return threadNumber;
}

__attribute__((destructor)) void FreeTables() {
  pthread_mutex_lock(&lock);
  delete state;
  state = nullptr;
  finished = true;
  pthread_cond_broadcast(&posted);
  pthread_mutex_unlock(&lock);
}

WindowClass *FindClass(State *tables, const char *name) {
  if (name == nullptr) return nullptr;
  for (WindowClass &windowClass : tables->classes) {
    if (EqualNoCase(windowClass.name, name)) return &windowClass;
  }
  return nullptr;
}

void SetError(uint32_t *error, uint32_t code) {
  if (error != nullptr) *error = code;
}

Window *Handle(uintptr_t id) {
  return reinterpret_cast<Window *>(id);
}
uintptr_t Id(Window *window) {
  return reinterpret_cast<uintptr_t>(window);
}

Window *AddWindow(State *tables, WindowClass *windowClass, WindowProc proc) {
  uintptr_t id = tables->nextWindow;
  if (id == 0) return nullptr;  // every number used
  // insert, not operator[]: that one refers to std::piecewise_construct, a STB_GNU_UNIQUE symbol
  // that keeps the library from unloading unless the linker's version script hides it.
  WindowRecord record;
  record.className = windowClass->name;
  record.proc = proc;
  record.owner = ThreadNumber(tables);
  tables->windows.insert(std::make_pair(id, std::move(record)));
  ++windowClass->windows;
  tables->nextWindow = id + 1;
  return Handle(id);
}

bool Enqueue(State *tables, uintptr_t id, const WindowRecord &record, uint32_t message,
             uintptr_t wParam, intptr_t lParam) {
  auto found = tables->queues.find(record.owner);
  if (found == tables->queues.end()) {
    found = tables->queues.insert(std::make_pair(record.owner, std::deque<PostedMessage>())).first;
  }
  std::deque<PostedMessage> &queue = found->second;
  if (queue.size() >= kMessageQueueLimit) return false;
  queue.push_back(PostedMessage{tables->nextSequence++, id, message, wParam, lParam, NowMs()});
  return true;
}

// Waits on the post signal until the absolute monotonic deadline (or without one). False when
// the deadline has passed.
bool WaitForPost(const timespec *deadline) {
  if (deadline == nullptr) {
    pthread_cond_wait(&posted, &lock);
    return true;
  }
  return pthread_cond_clockwait(&posted, &lock, CLOCK_MONOTONIC, deadline) != ETIMEDOUT;
}

}  // namespace

uint32_t WindowMessageRegister(const char *name) {
  if (name == nullptr || *name == '\0') return 0;
  try {
    Locked locked;
    State *tables = Tables();
    if (tables == nullptr) return 0;
    std::vector<std::string> &names = tables->messageNames;
    for (size_t i = 0; i < names.size(); ++i) {
      if (EqualNoCase(names[i], name)) return kFirstMessage + static_cast<uint32_t>(i);
    }
    if (names.size() > kLastMessage - kFirstMessage) return 0;
    names.push_back(name);
    return kFirstMessage + static_cast<uint32_t>(names.size() - 1);
  } catch (const std::bad_alloc &) {
    return 0;
  }
}

bool WindowClassRegister(const char *className, WindowProc proc, uint32_t *error) {
  if (className == nullptr || *className == '\0' || proc == nullptr) {
    SetError(error, kErrorInvalidParameter);
    return false;
  }
  try {
    Locked locked;
    State *tables = Tables();
    if (tables == nullptr) {
      SetError(error, kErrorInvalidParameter);
      return false;
    }
    if (FindClass(tables, className) != nullptr) {
      SetError(error, kErrorClassAlreadyExists);
      return false;
    }
    tables->classes.push_back(WindowClass{className, proc, false, 0});
    return true;
  } catch (const std::bad_alloc &) {
    SetError(error, kErrorNotEnoughQuota);
    return false;
  }
}

bool WindowClassUnregister(const char *className, uint32_t *error) {
  if (className == nullptr) {
    SetError(error, kErrorInvalidParameter);
    return false;
  }
  Locked locked;
  State *tables = Tables();
  WindowClass *windowClass = tables != nullptr ? FindClass(tables, className) : nullptr;
  if (windowClass == nullptr) {
    SetError(error, kErrorClassDoesNotExist);
    return false;
  }
  if (windowClass->windows > 0) {
    SetError(error, kErrorClassHasWindows);
    return false;
  }
  tables->classes.erase(tables->classes.begin() + (windowClass - tables->classes.data()));
  return true;
}

Window *WindowCreate(const char *className) {
  if (className == nullptr) return nullptr;
  try {
    Locked locked;
    State *tables = Tables();
    WindowClass *windowClass = tables != nullptr ? FindClass(tables, className) : nullptr;
    if (windowClass == nullptr) return nullptr;
    return AddWindow(tables, windowClass, windowClass->proc);
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
}

Window *WindowCreateWithProc(const char *className, WindowProc proc) {
  if (proc == nullptr) return WindowCreate(className);
  if (className == nullptr || *className == '\0') return nullptr;
  try {
    Locked locked;
    State *tables = Tables();
    if (tables == nullptr) return nullptr;
    WindowClass *windowClass = FindClass(tables, className);
    if (windowClass == nullptr) {
      tables->classes.push_back(WindowClass{className, proc, true, 0});
      windowClass = &tables->classes.back();
    }
    return AddWindow(tables, windowClass, proc);
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
}

bool WindowDestroy(Window *window) {
  Locked locked;
  State *tables = Tables();
  if (tables == nullptr) return false;
  auto found = tables->windows.find(Id(window));
  if (found == tables->windows.end()) return false;
  uint64_t owner = found->second.owner;
  WindowClass *windowClass = FindClass(tables, found->second.className.c_str());
  tables->windows.erase(found);

  if (windowClass != nullptr && --windowClass->windows == 0 && windowClass->implicit) {
    tables->classes.erase(tables->classes.begin() + (windowClass - tables->classes.data()));
  }
  auto queue = tables->queues.find(owner);
  if (queue != tables->queues.end()) {
    std::deque<PostedMessage> &messages = queue->second;
    for (auto it = messages.begin(); it != messages.end();) {
      it = it->window == Id(window) ? messages.erase(it) : it + 1;
    }
    if (messages.empty()) tables->queues.erase(queue);
  }
  return true;
}

bool WindowRelease(Window *window) {
  Locked locked;
  State *tables = Tables();
  if (tables == nullptr) return false;
  auto found = tables->windows.find(Id(window));
  if (found == tables->windows.end()) return false;
  found->second.proc = WindowDefaultProc;
  return true;
}

Window *WindowFind(const char *className) {
  if (className == nullptr) return nullptr;
  Locked locked;
  State *tables = Tables();
  if (tables == nullptr) return nullptr;
  for (auto it = tables->windows.rbegin(); it != tables->windows.rend(); ++it) {
    if (EqualNoCase(it->second.className, className)) return Handle(it->first);
  }
  return nullptr;
}

bool WindowPost(Window *window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  try {
    Locked locked;
    State *tables = Tables();
    if (tables == nullptr) return false;
    bool ok = true;
    if (Id(window) == kBroadcastId) {
      // A full queue loses its copy; the others still get theirs.
      for (const auto &[id, record] : tables->windows) {
        Enqueue(tables, id, record, message, wParam, lParam);
      }
    } else {
      auto found = tables->windows.find(Id(window));
      ok = found != tables->windows.end() &&
           Enqueue(tables, found->first, found->second, message, wParam, lParam);
    }
    if (ok) pthread_cond_broadcast(&posted);
    return ok;
  } catch (const std::bad_alloc &) {
    return false;
  }
}

int WindowDispatch(int timeoutMs) {
  timespec deadline{};
  if (timeoutMs > 0) {
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += timeoutMs / 1000;
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
      deadline.tv_sec += 1;
      deadline.tv_nsec -= 1000000000L;
    }
  }

  Locked locked;
  State *tables = Tables();
  if (tables == nullptr) return 0;
  const uint64_t self = ThreadNumber(tables);

  // The queue may be erased and made again while the lock is let go, so it is looked up anew
  // each time.
  auto queueOf = [&]() -> std::deque<PostedMessage> * {
    if (state == nullptr) return nullptr;
    auto found = state->queues.find(self);
    return found != state->queues.end() && !found->second.empty() ? &found->second : nullptr;
  };
  std::deque<PostedMessage> *queue = queueOf();
  while (queue == nullptr && timeoutMs != 0 && state != nullptr) {
    bool inTime = WaitForPost(timeoutMs > 0 ? &deadline : nullptr);
    queue = queueOf();
    if (!inTime) break;
  }
  if (queue == nullptr) return 0;

  const uint64_t last = queue->back().sequence;
  int ran = 0;
  while ((queue = queueOf()) != nullptr && queue->front().sequence <= last) {
    PostedMessage message = queue->front();
    queue->pop_front();
    if (queue->empty()) state->queues.erase(self);
    auto found = state->windows.find(message.window);
    if (found == state->windows.end()) continue;  // destroyed meanwhile
    WindowProc proc = found->second.proc;
    locked.Unlock();
    const uint64_t outer = dispatchedPostedMs;
    dispatchedPostedMs = message.postedMs;
    proc(Handle(message.window), message.message, message.wParam, message.lParam);
    dispatchedPostedMs = outer;
    locked.Lock();
    ++ran;
  }
  return ran;
}

uint64_t WindowMessageTime() {
  return dispatchedPostedMs != 0 ? dispatchedPostedMs : NowMs();
}

intptr_t WindowDefaultProc(Window *, uint32_t, uintptr_t, intptr_t) {
  return 0;
}

}  // namespace bcr::platform
