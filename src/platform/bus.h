// The message bus on which other processes hear the reader (Linux: D-Bus through sd-bus; Windows:
// nothing, the system's broadcast reaches them there).
//
// The bus has a thread of its own that owns the connection: the calls below only hand it work and
// return at once (BusServe and BusRun wait for it, bounded). BCREADER_BUS chooses the bus
// ("session", the default, "system" or "none"). A bus that cannot be reached, or goes away, is
// traced once and tried again in the background; nothing else changes meanwhile: what is emitted
// then is dropped, and clients catch up through the history the handlers give.
#ifndef BCREADER_PLATFORM_BUS_H
#define BCREADER_PLATFORM_BUS_H

#include <cstdint>
#include <string>
#include <vector>

namespace bcr::platform {

// A decode as it goes out on the bus.
struct BusDecode {
  uint64_t seq = 0;
  std::string decodeType;  // the decode type character, empty when there is none
  std::string symbology;   // the symbology's name
  std::string data;        // the bytes as received
  uint64_t timeMs = 0;     // when it arrived, on the monotonic clock
};

enum class BusPost { kPosted, kUnknownMessage, kNoWindow };

// What the bus's methods do, called on the bus thread; every call must return at once.
struct BusHandlers {
  void *context = nullptr;
  // Posts the message of that name to the reader window.
  BusPost (*post)(void *context, const char *message) = nullptr;
  // The decodes announced after seq, oldest first; true when some of them are no longer kept.
  bool (*decodesSince)(void *context, uint64_t seq, std::vector<BusDecode> *decodes) = nullptr;
};

// Who owns the reader's name, as BusServe reports it.
enum class BusOwner { kNone, kOwned, kTaken };

// A function the bus thread runs with its connection (sd_bus * on Linux).
using BusFunction = void (*)(void *bus, void *context);

// Starts the bus thread unless it runs or BCREADER_BUS is "none".
void BusStart(const BusHandlers &handlers);
// Leaves the bus and ends the bus thread.
void BusStop();

void BusEmitDecode(const BusDecode &decode);
void BusEmitReaderState(uint32_t state);
void BusEmitDecodeImage();

// Runs attach on every connection from now on (at once on the present one), then waits up to
// waitMs for the bus's answer about the name.
BusOwner BusServe(BusFunction attach, void *context, uint32_t waitMs);

// Runs fn on the bus thread with the present connection and returns when it has run (in place on
// the bus thread); false when there is no connection.
bool BusRun(BusFunction fn, void *context);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_BUS_H
