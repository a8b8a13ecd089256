// The reader on D-Bus, through sd-bus. One thread owns the connection and does everything with
// it: other threads queue their signals and functions and wake it through an eventfd. It connects,
// offers the reader's object, asks for the name (queueing behind an owner that has it), and when
// the connection breaks connects again after a pause, so a bus that restarts finds the reader
// again. Signals go out only while the name is ours: a client's match on the name would not see
// them otherwise, and the history answers for the time between.
#include "platform/bus.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <thread>

#include "platform/trace.h"
#include "util/mutex.h"
#include "util/thread_annotations.h"

namespace bcr::platform {

namespace {

constexpr const char *kName = "org.bcreader.Reader1";
constexpr const char *kPath = "/org/bcreader/Reader1";
constexpr const char *kInterface = "org.bcreader.Reader1";
constexpr const char *kUnknownMessageError = "org.bcreader.Reader1.Error.UnknownMessage";

// Pauses between attempts to reach the bus: short at first, so a restarted bus finds the reader
// soon, then longer, so a machine without a bus is not kept busy.
constexpr int kFirstRetryMs = 100;
constexpr int kLongestRetryMs = 2000;
// The longest the bus thread sleeps without looking at its queue and the time.
constexpr int kLongestPollMs = 1000;

enum class Link { kDown, kAsking, kOwned, kQueued };

struct RunRequest {
  BusFunction fn;
  void *context;
  bool done = false;
  bool ran = false;
};

struct BusState {
  Mutex lock;
  CondVar changed;
  std::thread thread;
  bool stopping GUARDED_BY(lock) = false;
  int wake = -1;
  BusHandlers handlers;
  // Work for the bus thread, in the order queued; a run's done and ran are under the lock too.
  std::deque<std::function<void(sd_bus *)>> work GUARDED_BY(lock);
  std::deque<RunRequest *> runs GUARDED_BY(lock);
  Link link GUARDED_BY(lock) = Link::kDown;
  bool tried GUARDED_BY(lock) = false;  // the first attempt to reach the bus has ended
  BusFunction attach GUARDED_BY(lock) = nullptr;
  void *attachContext GUARDED_BY(lock) = nullptr;
  bool attachPending GUARDED_BY(lock) = false;
  int waiters GUARDED_BY(lock) = 0;  // threads inside BusServe or BusRun
  // Only the bus thread touches these.
  sd_bus *bus = nullptr;
  bool tracedDown = false;
};

// Made by BusStart, gone after BusStop: constant-initialised, so that it never depends on the
// order in which the library's statics are built and destroyed.
std::atomic<BusState *> theBus{nullptr};
Mutex startLock;  // BusStart against BusStop
// The bus thread's own state, on the bus thread only.
thread_local BusState *onBusThread = nullptr;

void Trace(const std::string &note) {
  TraceStep(0, ("bus: " + note).c_str());
}

void Wake(BusState &state) {
  uint64_t one = 1;
  if (state.wake >= 0) (void)!write(state.wake, &one, sizeof one);
}

void SetLink(BusState &state, Link link) {
  MutexLock guard(state.lock);
  state.link = link;
  state.tried = true;
  state.changed.NotifyAll();
}

// Method handlers.

int OnPost(sd_bus_message *call, void *userdata, sd_bus_error *error) {
  const BusHandlers &handlers = static_cast<BusState *>(userdata)->handlers;
  const char *message = nullptr;
  int r = sd_bus_message_read(call, "s", &message);
  if (r < 0) return r;
  switch (handlers.post(handlers.context, message)) {
    case BusPost::kPosted:
      return sd_bus_reply_method_return(call, "");
    case BusPost::kUnknownMessage:
      return sd_bus_error_setf(error, kUnknownMessageError,
                               "%s is not a message another module may post", message);
    case BusPost::kNoWindow:
      break;
  }
  return sd_bus_error_set(error, SD_BUS_ERROR_FAILED, "the reader window is gone");
}

int AppendDecodeFields(sd_bus_message *m, const BusDecode &decode) {
  int r = sd_bus_message_append(m, "tss", decode.seq, decode.decodeType.c_str(),
                                decode.symbology.c_str());
  if (r >= 0) r = sd_bus_message_append_array(m, 'y', decode.data.data(), decode.data.size());
  if (r >= 0) r = sd_bus_message_append(m, "t", decode.timeMs);
  return r;
}

int OnDecodesSince(sd_bus_message *call, void *userdata, sd_bus_error *) {
  const BusHandlers &handlers = static_cast<BusState *>(userdata)->handlers;
  uint64_t since = 0;
  int r = sd_bus_message_read(call, "t", &since);
  if (r < 0) return r;
  std::vector<BusDecode> decodes;
  const int gap = handlers.decodesSince(handlers.context, since, &decodes) ? 1 : 0;
  sd_bus_message *reply = nullptr;
  r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "(tssayt)");
  for (size_t i = 0; r >= 0 && i < decodes.size(); ++i) {
    r = sd_bus_message_open_container(reply, 'r', "tssayt");
    if (r >= 0) r = AppendDecodeFields(reply, decodes[i]);
    if (r >= 0) r = sd_bus_message_close_container(reply);
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_message_append(reply, "b", gap);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r;
}

const sd_bus_vtable kReaderVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_SIGNAL_WITH_NAMES("Decode", "tssayt",
                             SD_BUS_PARAM(sequence) SD_BUS_PARAM(decodeType) SD_BUS_PARAM(symbology)
                                 SD_BUS_PARAM(data) SD_BUS_PARAM(timeMs),
                             0),
    SD_BUS_SIGNAL_WITH_NAMES("ReaderState", "u", SD_BUS_PARAM(state), 0),
    SD_BUS_SIGNAL("DecodeImage", "", 0),
    SD_BUS_METHOD_WITH_NAMES("Post", "s", SD_BUS_PARAM(message), "", , OnPost,
                             SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD_WITH_NAMES("DecodesSince", "t", SD_BUS_PARAM(sequence), "a(tssayt)b",
                             SD_BUS_PARAM(decodes) SD_BUS_PARAM(gap), OnDecodesSince,
                             SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

// The name's comings and goings.

int OnNameReply(sd_bus_message *reply, void *userdata, sd_bus_error *) {
  BusState &state = *static_cast<BusState *>(userdata);
  uint32_t answer = 0;
  if (sd_bus_message_is_method_error(reply, nullptr) ||
      sd_bus_message_read(reply, "u", &answer) < 0) {
    const sd_bus_error *error = sd_bus_message_get_error(reply);
    Trace(std::string("the name ") + kName + " was refused: " +
          (error != nullptr && error->message != nullptr ? error->message : "no answer"));
    SetLink(state, Link::kDown);
    return 0;
  }
  // 1: the primary owner, 2: in the queue, 4: already the owner.
  const bool owned = answer == 1 || answer == 4;
  if (!owned) Trace(std::string(kName) + " is owned by another process; waiting for it");
  SetLink(state, owned ? Link::kOwned : Link::kQueued);
  return 0;
}

int OnNameChange(sd_bus_message *signal, void *userdata, sd_bus_error *) {
  BusState &state = *static_cast<BusState *>(userdata);
  const char *name = nullptr;
  if (sd_bus_message_read(signal, "s", &name) < 0 || std::strcmp(name, kName) != 0) return 0;
  const bool acquired = std::strcmp(sd_bus_message_get_member(signal), "NameAcquired") == 0;
  SetLink(state, acquired ? Link::kOwned : Link::kQueued);
  return 0;
}

// Connection.

int OpenBus(bool system, sd_bus **bus) {
  return system ? sd_bus_open_system_with_description(bus, "bcreader")
                : sd_bus_open_user_with_description(bus, "bcreader");
}

void RunAttach(BusState &state) {
  BusFunction attach;
  void *context;
  {
    MutexLock guard(state.lock);
    attach = state.attach;
    context = state.attachContext;
    state.attachPending = false;
  }
  if (attach != nullptr) attach(state.bus, context);
}

// Connects, offers the object and asks for the name; false when the bus cannot be reached.
bool Connect(BusState &state, bool system) {
  sd_bus *bus = nullptr;
  int r = OpenBus(system, &bus);
  if (r >= 0) r = sd_bus_add_object_vtable(bus, nullptr, kPath, kInterface, kReaderVtable, &state);
  for (const char *member : {"NameAcquired", "NameLost"}) {
    if (r >= 0) {
      r = sd_bus_match_signal(bus, nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus", member, OnNameChange, &state);
    }
  }
  if (r < 0) {
    if (!state.tracedDown) {
      Trace(std::string("no ") + (system ? "system" : "session") + " bus: " + std::strerror(-r) +
            "; trying again in the background");
    }
    state.tracedDown = true;
    sd_bus_flush_close_unref(bus);
    SetLink(state, Link::kDown);
    return false;
  }
  state.bus = bus;
  RunAttach(state);
  r = sd_bus_request_name_async(bus, nullptr, kName, SD_BUS_NAME_QUEUE, OnNameReply, &state);
  if (r < 0) {
    Trace(std::string("cannot ask for ") + kName + ": " + std::strerror(-r));
    state.bus = nullptr;
    sd_bus_flush_close_unref(bus);
    SetLink(state, Link::kDown);
    return false;
  }
  {
    MutexLock guard(state.lock);
    state.link = Link::kAsking;
  }
  if (state.tracedDown) Trace("on the bus again");
  state.tracedDown = false;
  return true;
}

void FailRuns(BusState &state) {
  MutexLock guard(state.lock);
  for (RunRequest *run : state.runs) run->done = true;
  state.runs.clear();
  state.changed.NotifyAll();
}

void Disconnect(BusState &state) {
  if (state.bus == nullptr) return;
  Trace("the bus went away; trying again in the background");
  state.tracedDown = true;
  sd_bus_flush_close_unref(state.bus);
  state.bus = nullptr;
  FailRuns(state);
  SetLink(state, Link::kDown);
}

// Runs what other threads queued; signals only while the name is ours.
void DrainWork(BusState &state) {
  std::deque<std::function<void(sd_bus *)>> work;
  std::deque<RunRequest *> runs;
  bool attach;
  bool owned;
  {
    MutexLock guard(state.lock);
    work.swap(state.work);
    runs.swap(state.runs);
    attach = state.attachPending;
    owned = state.link == Link::kOwned;
  }
  if (attach && state.bus != nullptr) RunAttach(state);
  if (owned && state.bus != nullptr) {
    for (auto &item : work) item(state.bus);
  }
  for (RunRequest *run : runs) {
    if (state.bus != nullptr) run->fn(state.bus, run->context);
    MutexLock guard(state.lock);
    run->ran = state.bus != nullptr;
    run->done = true;
  }
  if (!runs.empty()) state.changed.NotifyAll();
}

// Waits for the connection, the queue or the time, at most timeoutMs.
void WaitForWork(BusState &state, int timeoutMs) {
  pollfd fds[2] = {{state.wake, POLLIN, 0}, {-1, 0, 0}};
  nfds_t count = 1;
  if (state.bus != nullptr) {
    int events = sd_bus_get_events(state.bus);
    uint64_t until = 0;
    if (sd_bus_get_timeout(state.bus, &until) >= 0 && until != UINT64_MAX) {
      timespec now;
      clock_gettime(CLOCK_MONOTONIC, &now);
      const uint64_t nowUs = static_cast<uint64_t>(now.tv_sec) * 1000000u + now.tv_nsec / 1000;
      const uint64_t leftMs = until > nowUs ? (until - nowUs + 999) / 1000 : 0;
      if (leftMs < static_cast<uint64_t>(timeoutMs)) timeoutMs = static_cast<int>(leftMs);
    }
    fds[1] = {sd_bus_get_fd(state.bus), static_cast<short>(events > 0 ? events : 0), 0};
    count = 2;
  }
  if (poll(fds, count, timeoutMs) > 0 && (fds[0].revents & POLLIN) != 0) {
    uint64_t value;
    (void)!read(state.wake, &value, sizeof value);
  }
}

bool Stopping(BusState &state) {
  MutexLock guard(state.lock);
  return state.stopping;
}

void BusThread(BusState *statePointer, bool system) {
  BusState &state = *statePointer;
  onBusThread = statePointer;
  int retryMs = kFirstRetryMs;
  while (!Stopping(state)) {
    if (state.bus == nullptr && !Connect(state, system)) {
      FailRuns(state);
      {
        MutexLock guard(state.lock);
        state.work.clear();  // a signal with no bus to carry it is dropped
      }
      WaitForWork(state, retryMs);
      retryMs = std::min(retryMs * 2, kLongestRetryMs);
      continue;
    }
    retryMs = kFirstRetryMs;
    DrainWork(state);
    int r;
    do {
      r = sd_bus_process(state.bus, nullptr);
    } while (r > 0);
    if (r < 0) {
      Disconnect(state);
      continue;
    }
    WaitForWork(state, kLongestPollMs);
  }
  if (state.bus != nullptr) {
    sd_bus_flush_close_unref(state.bus);
    state.bus = nullptr;
  }
  FailRuns(state);
}

void Queue(std::function<void(sd_bus *)> item) {
  BusState *running = theBus.load();
  if (running == nullptr) return;
  BusState &state = *running;
  {
    MutexLock guard(state.lock);
    if (state.stopping) return;
    state.work.push_back(std::move(item));
  }
  Wake(state);
}

void EmitSignal(sd_bus *bus, const char *member, const std::function<int(sd_bus_message *)> &fill) {
  sd_bus_message *m = nullptr;
  int r = sd_bus_message_new_signal(bus, &m, kPath, kInterface, member);
  if (r >= 0) r = fill(m);
  if (r >= 0) r = sd_bus_send(bus, m, nullptr);
  if (r < 0) Trace(std::string(member) + " not sent: " + std::strerror(-r));
  sd_bus_message_unref(m);
}

}  // namespace

void BusStart(const BusHandlers &handlers) {
  const char *choice = std::getenv("BCREADER_BUS");
  const std::string bus = choice != nullptr && *choice != '\0' ? choice : "session";
  if (bus != "session" && bus != "system") {
    if (bus != "none") Trace("BCREADER_BUS=" + bus + " names no bus; staying off the bus");
    return;
  }
  MutexLock start(startLock);
  if (theBus.load() != nullptr) return;
  auto *state = new BusState();
  state->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  state->handlers = handlers;
  {
    MutexLock guard(state->lock);
    state->thread = std::thread(BusThread, state, bus == "system");
  }
  theBus.store(state);
}

// The emitters have stopped by now (the library's workers end first); a thread still waiting in
// BusRun or BusServe is let go before the state goes.
void BusStop() {
  MutexLock start(startLock);
  BusState *state = theBus.exchange(nullptr);
  if (state == nullptr) return;
  {
    MutexLock guard(state->lock);
    state->stopping = true;
    state->changed.NotifyAll();
  }
  Wake(*state);
  state->thread.join();
  {
    MutexLock guard(state->lock);
    while (state->waiters != 0) state->changed.Wait(state->lock);
  }
  close(state->wake);
  delete state;
}

void BusEmitDecode(const BusDecode &decode) {
  Queue([decode](sd_bus *bus) {
    EmitSignal(bus, "Decode", [&](sd_bus_message *m) { return AppendDecodeFields(m, decode); });
  });
}

void BusEmitReaderState(uint32_t readerState) {
  Queue([readerState](sd_bus *bus) {
    EmitSignal(bus, "ReaderState",
               [&](sd_bus_message *m) { return sd_bus_message_append(m, "u", readerState); });
  });
}

void BusEmitDecodeImage() {
  Queue([](sd_bus *bus) { EmitSignal(bus, "DecodeImage", [](sd_bus_message *) { return 0; }); });
}

BusOwner BusServe(BusFunction attach, void *context, uint32_t waitMs) {
  if (onBusThread != nullptr) return BusOwner::kNone;  // it would wait for itself
  MutexLock start(startLock);
  BusState *running = theBus.load();
  if (running == nullptr) return BusOwner::kNone;
  BusState &state = *running;
  MutexLock guard(state.lock);
  start.Unlock();
  if (state.stopping) return BusOwner::kNone;
  state.attach = attach;
  state.attachContext = context;
  state.attachPending = true;
  ++state.waiters;
  guard.Unlock();
  Wake(state);
  guard.Lock();
  // The answer about the name: ours, another's, or no bus after the first attempt.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (!(state.link == Link::kOwned || state.link == Link::kQueued ||
           (state.link == Link::kDown && state.tried) || state.stopping)) {
    if (state.changed.WaitUntil(state.lock, deadline) == std::cv_status::timeout) break;
  }
  const Link link = state.stopping ? Link::kDown : state.link;
  if (--state.waiters == 0) state.changed.NotifyAll();
  switch (link) {
    case Link::kOwned:
      return BusOwner::kOwned;
    case Link::kQueued:
      return BusOwner::kTaken;
    default:
      return BusOwner::kNone;
  }
}

bool BusRun(BusFunction fn, void *context) {
  if (onBusThread != nullptr) {
    if (onBusThread->bus == nullptr) return false;
    fn(onBusThread->bus, context);
    return true;
  }
  MutexLock start(startLock);
  BusState *running = theBus.load();
  if (running == nullptr) return false;
  BusState &state = *running;
  MutexLock guard(state.lock);
  start.Unlock();
  if (state.stopping || state.link == Link::kDown) return false;
  RunRequest run{fn, context};
  state.runs.push_back(&run);
  ++state.waiters;
  guard.Unlock();
  Wake(state);
  guard.Lock();
  while (!run.done) state.changed.Wait(state.lock);
  if (--state.waiters == 0) state.changed.NotifyAll();
  return run.ran;
}

}  // namespace bcr::platform
