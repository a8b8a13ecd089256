#include "link/link_health.h"

#include "platform/port.h"

namespace bcr {

namespace {

// Exchanges failing unheard in a row that make the engine lost.
constexpr uint32_t kSilentExchangesLost = 2;
// Runs of input that made no frame, with no valid frame between, that make the engine suspect.
constexpr uint32_t kBrokenRunsSuspect = 2;

thread_local const LinkHealth *recovering = nullptr;
thread_local const LinkHealth *lineReader = nullptr;

}  // namespace

void LinkHealth::SetHandler(HealthHandler handler, void *context) {
  // The context first: a handler seen is never called with a context older than it.
  context_ = context;
  handler_ = handler;
}

void LinkHealth::Reset() {
  away_ = false;
  abort_ = false;
  silentExchanges_ = 0;
  brokenRuns_ = 0;
}

void LinkHealth::Report(HealthReport report, const char *reason) {
  if (HealthHandler handler = handler_.load(); handler != nullptr) {
    handler(context_.load(), report, reason);
  }
}

void LinkHealth::NotePortError(uint32_t error) {
  if (recovering == this || !platform::PortGoneError(error)) return;
  Report(HealthReport::kLost, "line hung up");
}

void LinkHealth::NoteExchange(bool replied, bool silent) {
  // An answer at the working speed ends a run of broken input, on any thread.
  if (replied) brokenRuns_ = 0;
  if (recovering == this) return;
  if (replied || !silent) {
    silentExchanges_ = 0;
    return;
  }
  if (++silentExchanges_ >= kSilentExchangesLost) {
    Report(HealthReport::kLost, "no reply twice in a row");
  }
}

void LinkHealth::NoteFrame() {
  brokenRuns_ = 0;
  silentExchanges_ = 0;
}

void LinkHealth::NoteBrokenInput() {
  if (++brokenRuns_ < kBrokenRunsSuspect) return;
  Suspect("input at another speed");
}

void LinkHealth::NoteBrokenExchange() {
  Suspect("input at another speed");
}

void LinkHealth::Suspect(const char *reason) {
  brokenRuns_ = 0;
  Report(HealthReport::kSuspect, reason);
}

bool LinkHealth::MarkAway() {
  return !away_.exchange(true);
}

void LinkHealth::Back() {
  silentExchanges_ = 0;
  brokenRuns_ = 0;
  away_ = false;
}

void LinkHealth::Abort() {
  abort_ = true;
}

PortUse::PortUse(LinkHealth &health) : health_(health) {
  if (recovering == &health || lineReader == &health) {
    allowed_ = !health.abort_;
    return;
  }
  // Counted before the flags are looked at, so that a recovery that has seen no user after
  // setting away can be sure none slips in.
  ++health.users_;
  counted_ = true;
  allowed_ = !health.away_ && !health.abort_;
}

PortUse::~PortUse() {
  if (counted_) --health_.users_;
}

RecoveryScope::RecoveryScope(const LinkHealth &health) {
  recovering = &health;
}

RecoveryScope::~RecoveryScope() {
  recovering = nullptr;
}

LineReaderScope::LineReaderScope(const LinkHealth &health) {
  lineReader = &health;
}

LineReaderScope::~LineReaderScope() {
  lineReader = nullptr;
}

bool PortBarred(const LinkHealth &health) {
  return health.abort_ || (health.away_ && recovering != &health && lineReader != &health);
}

}  // namespace bcr
