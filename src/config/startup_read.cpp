#include "config/startup_read.h"

#include <iterator>

#include "config/handlers.h"
#include "config/param_handler.h"
#include "link/port_lock.h"
#include "state/scan_engine.h"

namespace bcr {

namespace {

// The SE955's handlers in the order of the start-up read.
const ParamHandler *const kStartupReads[] = {
    &UpcParam(),
    &Code128Param(),
    &Code39Param(),
    &Code93Param(),
    &Interleaved2Of5Param(),
    &Industrial2Of5Param(),
    &CodabarParam(),
    &MsiParam(),
    &RssParam(),
    &EanJanParam(),
    &MiscellaneousOptionParam(),
    &UserPreferences1DParam(),
    &Code11Param(),
    &Chinese2Of5Param(),
};
static_assert(std::size(kStartupReads) == 14);

}  // namespace

// The values read are dropped: what stays is the parameter cache that each successful read
// fills. A failed read leaves its entries unknown and the next handler is read all the same.
void ReadAllSettings(ScanEngine &reader) {
  PortHold exchange(reader.link.ExchangeLock(), kExchangeWait);
  if (!exchange.Held()) return;
  for (const ParamHandler *handler : kStartupReads) {
    int32_t values[kMaxHandlerArgs] = {};
    int32_t *pointers[kMaxHandlerArgs] = {};
    for (uint8_t i = 0; i < handler->count; ++i) pointers[i] = &values[i];
    CallHandler(*handler, reader, kModeRead, pointers, handler->count);
  }
}

}  // namespace bcr
