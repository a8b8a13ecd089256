// The state of the library's running parts besides the reader object: the hidden window, the
// registered messages, the worker threads with their semaphores and the flags that tie them
// together. One instance per process, in the library's globals.
#ifndef BCREADER_STATE_LIBRARY_STATE_H
#define BCREADER_STATE_LIBRARY_STATE_H

#include <atomic>
#include <cstdint>

#include "platform/event.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace bcr {

enum Worker : int {
  kDecodeWorker,
  kAutoTriggerWorker,
  kVibrateWorker,
  kLedWorker,
  kBeepWorker,
  kRecoveryWorker,
  kWorkerCount,
};

struct WorkerSlot {
  std::atomic<platform::Thread *> thread{nullptr};
  platform::Semaphore *start = nullptr;  // count 0, maximum 1: one cycle pending at most
  platform::Semaphore *done = nullptr;   // released by the thread as its last action
};

// Numbers of the registered window messages.
struct Messages {
  std::atomic<uint32_t> decodeImg{0};
  std::atomic<uint32_t> decodeImage{0};
  std::atomic<uint32_t> user1Down{0};
  std::atomic<uint32_t> user2Down{0};
  std::atomic<uint32_t> user1Up{0};
  std::atomic<uint32_t> user2Up{0};
  std::atomic<uint32_t> decode{0};
  std::atomic<uint32_t> decodeData{0};
  std::atomic<uint32_t> readerState{0};
};

// What other threads ask of the recovery worker, each taken once by it; a load starts with none.
class RecoveryRequests {
 public:
  // A try that is waiting out its back-off starts at once.
  void Hurry() { hurry_ = true; }
  bool TakeHurry() { return hurry_.exchange(false); }
  // The link reported the engine suspect: the worker checks whether it still answers.
  void Check() { check_ = true; }
  bool TakeCheck() { return check_.exchange(false); }
  void Forget() {
    hurry_ = false;
    check_ = false;
  }

 private:
  std::atomic<bool> hurry_{false};
  std::atomic<bool> check_{false};
};

struct LibraryState {
  std::atomic<platform::Window *> readerWindow{nullptr};
  void *moduleInstance = nullptr;
  // Set once InitReader got as far as knowing the engine kind; trigger presses wait for it.
  std::atomic<uint32_t> readerInitialised{0};
  std::atomic<uint32_t> keepWindowOnDetach{0};
  // Set by a trigger press that released the decode thread, taken by its next reception: such a
  // reception is the answer to that press, not to what the engine sent before it.
  std::atomic<bool> triggerPressed{false};
  // Tells every worker to end at its next wake-up.
  std::atomic<uint32_t> quitFlag{0};
  platform::Event *decodeEvent = nullptr;
  RecoveryRequests recovery;
  Messages messages;
  WorkerSlot workers[kWorkerCount];
};

// The hidden window's class.
constexpr const char *kReaderWindowClass = "Quenrix";
constexpr uint32_t kDecodeMessageParam = 2;

}  // namespace bcr

#endif  // BCREADER_STATE_LIBRARY_STATE_H
