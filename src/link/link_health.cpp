#include "link/link_health.h"

#include "platform/port.h"

namespace bcr {

namespace {

// Exchanges failing unheard in a row that make the engine lost.
constexpr uint32_t kSilentExchangesLost = 2;

thread_local const LinkHealth *recovering = nullptr;
thread_local const LinkHealth *lineReader = nullptr;

void Report(LinkHealth &health, const char *reason) {
  if (LostHandler handler = health.onLost.load(); handler != nullptr) {
    handler(health.lostContext.load(), reason);
  }
}

}  // namespace

PortUse::PortUse(LinkHealth &health) : health_(health) {
  if (recovering == &health || lineReader == &health) {
    allowed_ = !health.abort;
    return;
  }
  // Counted before the flags are looked at, so that a recovery that has seen no user after
  // setting away can be sure none slips in.
  ++health.users;
  counted_ = true;
  allowed_ = !health.away && !health.abort;
}

PortUse::~PortUse() {
  if (counted_) --health_.users;
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
  return health.abort || (health.away && recovering != &health && lineReader != &health);
}

void NotePortError(LinkHealth &health, uint32_t error) {
  if (recovering == &health || !platform::PortGoneError(error)) return;
  Report(health, "line hung up");
}

void NoteExchange(LinkHealth &health, bool replied, bool silent) {
  if (recovering == &health) return;
  if (replied || !silent) {
    health.silentExchanges = 0;
    return;
  }
  if (++health.silentExchanges >= kSilentExchangesLost) Report(health, "no reply twice in a row");
}

}  // namespace bcr
