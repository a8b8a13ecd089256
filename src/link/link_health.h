// Whether the engine is still there, as far as the link can tell, and the gate that keeps other
// threads off the port while the reader finds the engine again. One object per link holds all of
// it; the link notes what it sees, the owner (the reader) acts through the verbs below.
//
// The health reports two things to its owner, through the one handler the owner sets:
// - lost: a port call failing because the device is gone (hung up, unplugged), or exchanges that
//   expect a reply failing twice in a row with every attempt unanswered. An attempt that hears
//   anything at all (a NAK, noise, a broken frame) breaks the run: an engine that talks is not
//   lost.
// - suspect: input that makes no frame twice with no valid frame between, or an exchange whose
//   every attempt met only such input: the engine may run at another speed.
// The owner decides what a report means. While it holds the engine for lost (away), every port
// call of other threads fails at once without touching the port; the recovering thread, marked
// with a RecoveryScope, goes on. Abort (unload) stops every port call but closing.
#ifndef BCREADER_LINK_LINK_HEALTH_H
#define BCREADER_LINK_LINK_HEALTH_H

#include <atomic>
#include <cstdint>

namespace bcr {

enum class HealthReport {
  kLost,     // the device is gone or the engine stopped answering
  kSuspect,  // the engine may run at another speed
};

// Called on the thread that noticed; context is the one the handler was set with, reason a text
// for the trace.
using HealthHandler = void (*)(void *context, HealthReport report, const char *reason);

class LinkHealth {
 public:
  LinkHealth() = default;
  LinkHealth(const LinkHealth &) = delete;
  LinkHealth &operator=(const LinkHealth &) = delete;

  // The owner's handler, for every report from now on (null: nobody hears them).
  void SetHandler(HealthHandler handler, void *context);
  // Back to the state of a link just opened (the handler stays).
  void Reset();

  // What the link sees. Threads other than the recovering one report a gone device and a run of
  // unanswered exchanges; the recovery's own failures are its own to judge.
  // A port call failed with the error.
  void NotePortError(uint32_t error);
  // The end of an exchange that expected a reply: replied, or failed with every attempt unheard
  // (silent) or with something heard.
  void NoteExchange(bool replied, bool silent);
  // A valid frame came: the engine talks at the working speed.
  void NoteFrame();
  // Input came that made no frame.
  void NoteBrokenInput();
  // An exchange met only input that made no frame in every attempt.
  void NoteBrokenExchange();

  // The owner's verbs.
  // Reports the engine as suspect now.
  void Suspect(const char *reason);
  // Takes the engine for lost; false when it already was.
  bool MarkAway();
  // The engine was found again: away ends, and every run noted so far is forgotten.
  void Back();
  // Stops every port call but closing (unload); only Reset ends it.
  void Abort();

  bool Away() const { return away_; }
  bool Aborted() const { return abort_; }
  // Port calls of other threads in progress; the recovery waits for none before it closes.
  uint32_t Users() const { return users_; }

 private:
  friend class PortUse;
  friend bool PortBarred(const LinkHealth &health);

  void Report(HealthReport report, const char *reason);

  std::atomic<HealthHandler> handler_{nullptr};
  std::atomic<void *> context_{nullptr};
  std::atomic<bool> away_{false};
  std::atomic<bool> abort_{false};
  std::atomic<uint32_t> silentExchanges_{0};
  // Runs of input that made no frame, with no valid frame between.
  std::atomic<uint32_t> brokenRuns_{0};
  std::atomic<uint32_t> users_{0};
};

// Held around each port call: false when the call must not touch the port.
class PortUse {
 public:
  explicit PortUse(LinkHealth &health);
  ~PortUse();
  PortUse(const PortUse &) = delete;
  PortUse &operator=(const PortUse &) = delete;
  explicit operator bool() const { return allowed_; }

 private:
  LinkHealth &health_;
  bool allowed_ = false;
  bool counted_ = false;
};

// Marks the calling thread as the one that recovers the engine of this link, for its lifetime.
class RecoveryScope {
 public:
  explicit RecoveryScope(const LinkHealth &health);
  ~RecoveryScope();
  RecoveryScope(const RecoveryScope &) = delete;
  RecoveryScope &operator=(const RecoveryScope &) = delete;
};

// Marks the calling thread as the reader of the line of this link, for its lifetime: its port
// calls go on while the engine is away (the recovery's exchanges need their replies read), and
// it reports a gone port like any other thread.
class LineReaderScope {
 public:
  explicit LineReaderScope(const LinkHealth &health);
  ~LineReaderScope();
  LineReaderScope(const LineReaderScope &) = delete;
  LineReaderScope &operator=(const LineReaderScope &) = delete;
};

// True when port calls of the calling thread are refused now.
bool PortBarred(const LinkHealth &health);

}  // namespace bcr

#endif  // BCREADER_LINK_LINK_HEALTH_H
