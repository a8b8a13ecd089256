// Whether the engine is still there, as far as the link can tell, and the gate that keeps other
// threads off the port while the reader finds the engine again.
//
// The link notices two things and reports them through the lost handler the reader sets:
// - a port call failing because the device is gone (hung up, unplugged);
// - exchanges that expect a reply failing twice in a row with every attempt unanswered. An
//   attempt that hears anything at all (a NAK, noise, a broken frame) breaks the run: an engine
//   that talks is not lost.
// The reader decides what a report means. While it holds the engine for lost (away), every port
// call of other threads fails at once without touching the port; the recovering thread, marked
// with a RecoveryScope, goes on. Abort (unload) stops every port call but closing.
#ifndef BCREADER_LINK_LINK_HEALTH_H
#define BCREADER_LINK_LINK_HEALTH_H

#include <atomic>
#include <cstdint>

namespace bcr {

// context is the one the handler was set with.
using LostHandler = void (*)(void *context, const char *reason);

struct LinkHealth {
  std::atomic<LostHandler> onLost{nullptr};
  std::atomic<void *> lostContext{nullptr};
  std::atomic<bool> away{false};
  std::atomic<bool> abort{false};
  std::atomic<uint32_t> silentExchanges{0};
  // Port calls of other threads in progress; the recovery waits for none before it closes.
  std::atomic<uint32_t> users{0};

  // Back to the state of a link just opened (the handler stays).
  void Reset() {
    away = false;
    abort = false;
    silentExchanges = 0;
  }
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

// A port call failed with the error; a gone device is reported (by other threads than the
// recovering one).
void NotePortError(LinkHealth &health, uint32_t error);
// The end of an exchange that expected a reply: replied, or failed with every attempt unheard
// (silent) or with something heard.
void NoteExchange(LinkHealth &health, bool replied, bool silent);

}  // namespace bcr

#endif  // BCREADER_LINK_LINK_HEALTH_H
