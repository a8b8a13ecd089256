// The scan key watcher on Linux: a thread that polls the evdev device together with an eventfd
// that TriggerSourceStop signals, so that stopping never waits for a key event.
#include "platform/trigger.h"

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "platform/thread.h"

namespace bcr::platform {

namespace {

// Time a watcher gets to end once told to; it is woken at once, so this only bounds a fault.
constexpr uint32_t kStopWaitMs = 2000;

struct Watch {
  int device = -1;
  int wake = -1;  // eventfd, readable once the watcher is to end
  Window *window = nullptr;
  uint32_t downMessage = 0;
  uint32_t upMessage = 0;
  uint16_t keyCode = 0;
  Thread *thread = nullptr;
};

std::mutex watchLock;
Watch *current = nullptr;

// "<device>:<decimal key code>"; the device is everything before the last ':'.
bool ParseSetting(const char *setting, std::string *device, uint16_t *keyCode) {
  if (setting == nullptr) return false;
  const char *colon = std::strrchr(setting, ':');
  if (colon == nullptr || colon == setting || colon[1] == '\0') return false;
  uint32_t code = 0;
  for (const char *p = colon + 1; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    code = code * 10 + static_cast<uint32_t>(*p - '0');
    if (code > KEY_MAX) return false;
  }
  device->assign(setting, colon);
  *keyCode = static_cast<uint16_t>(code);
  return true;
}

void Deliver(const Watch &watch, const input_event &event) {
  if (event.type != EV_KEY || event.code != watch.keyCode) return;
  // Value 2 is auto-repeat while the key is held: not a new press.
  if (event.value == 1) {
    WindowPost(watch.window, watch.downMessage, 0, 0);
  } else if (event.value == 0) {
    WindowPost(watch.window, watch.upMessage, 0, 0);
  }
}

void WatchKey(void *parameter) {
  const Watch &watch = *static_cast<Watch *>(parameter);
  // A pipe may deliver part of a record; the rest is kept until it completes.
  unsigned char buffer[16 * sizeof(input_event)];
  size_t held = 0;
  for (;;) {
    pollfd fds[2] = {{watch.wake, POLLIN, 0}, {watch.device, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents != 0) return;
    if (fds[1].revents == 0) continue;
    if ((fds[1].revents & POLLNVAL) != 0) return;
    ssize_t got = read(watch.device, buffer + held, sizeof buffer - held);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    // An error (the device was unplugged) or the end of a pipe: nothing more will come.
    if (got <= 0) return;
    held += static_cast<size_t>(got);
    size_t whole = held / sizeof(input_event);
    for (size_t i = 0; i < whole; ++i) {
      input_event event;
      std::memcpy(&event, buffer + i * sizeof event, sizeof event);
      Deliver(watch, event);
    }
    held -= whole * sizeof(input_event);
    std::memmove(buffer, buffer + whole * sizeof(input_event), held);
  }
}

void CloseWatch(Watch *watch) {
  if (watch->device >= 0) close(watch->device);
  if (watch->wake >= 0) close(watch->wake);
  delete watch;
}

// Called with watchLock held.
void StopCurrent() {
  Watch *watch = current;
  if (watch == nullptr) return;
  current = nullptr;
  uint64_t one = 1;
  ssize_t written = write(watch->wake, &one, sizeof one);
  (void)written;  // an eventfd write fails only on overflow, and then it is readable anyway
  bool ended = ThreadWait(watch->thread, kStopWaitMs) == WaitResult::kSignalled;
  ThreadClose(watch->thread);
  // A watcher that did not end may still read the record and its descriptors: both are left
  // to it rather than freed under it.
  if (ended) CloseWatch(watch);
}

}  // namespace

bool TriggerSourceStart(Window *window, uint32_t downMessage, uint32_t upMessage) {
  std::lock_guard<std::mutex> lock(watchLock);
  StopCurrent();
  std::string device;
  uint16_t keyCode = 0;
  if (window == nullptr || !ParseSetting(std::getenv("BCREADER_TRIGGER"), &device, &keyCode)) {
    return false;
  }
  Watch *watch = new (std::nothrow) Watch;
  if (watch == nullptr) return false;
  watch->window = window;
  watch->downMessage = downMessage;
  watch->upMessage = upMessage;
  watch->keyCode = keyCode;
  // Not blocking: opening a pipe must not wait for its writer.
  watch->device = open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  watch->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (watch->device < 0 || watch->wake < 0) {
    CloseWatch(watch);
    return false;
  }
  watch->thread = ThreadCreate(WatchKey, watch);
  if (watch->thread == nullptr) {
    CloseWatch(watch);
    return false;
  }
  current = watch;
  return true;
}

void TriggerSourceStop() {
  std::lock_guard<std::mutex> lock(watchLock);
  StopCurrent();
}

}  // namespace bcr::platform
