// Finding the engine: which kind the terminal carries (from its system library), reaching it at
// whatever speed it runs, and moving it to the library's working speed.
#ifndef BCREADER_LINK_IDENTIFY_H
#define BCREADER_LINK_IDENTIFY_H

#include <cstdint>

#include "link/engine_link.h"
#include "link/frame.h"
#include "util/wstring.h"

namespace bcr {

// The terminal's system library entry that fills a 512-byte block; the engine kind is the
// character at kEngineKindOffset.
using GetSysInfoEntry = int (*)(void *block512);

constexpr uint32_t kEnginePort = 2;
constexpr uint32_t kImagerSpeed = 115200;
constexpr uint32_t kSE955Speed = 38400;
constexpr uint32_t kFallbackSpeed = 9600;
constexpr uint32_t kSysInfoSize = 512;
constexpr uint32_t kEngineKindOffset = 32;

// Asks the system library for the engine kind and reaches the engine(s) it names. What it found
// is the link's device type and port speed; probed tells whether the library named no kind and
// the SE955 answered a probe.
int IdentifyEngine(EngineLink &link, GetSysInfoEntry getSysInfo, bool *probed);
// How the engine is reached once its port is open.
enum class Reach {
  kIdentify,  // which engine the terminal carries, at whatever speed it runs (at load)
  kAgain,     // the engine of the link's device type, back at its working speed (after a loss)
};

// What became of opening the engine's port and reaching the engine.
enum class Opened {
  kReached,
  kBusy,        // another exchange held the exchange lock
  kNoPort,      // the port does not open
  kCutShort,    // the settling wait was cut short (unload)
  kNotReached,  // the engine did not answer
};

// Waits ms for the line to settle; false when the caller gives up instead (context is the one
// given with it).
using SettleWait = bool (*)(void *context, uint32_t ms);

// The port is given this long after it opens before the engine is asked anything.
constexpr uint32_t kSettlePause = 500;

// Opens the engine's port afresh (closing it first, under the exchange lock), lets the line
// settle and reaches the engine the given way; getSysInfo and probed serve kIdentify as in
// IdentifyEngine. The port is left as it is whatever the outcome.
Opened OpenAndReach(EngineLink &link, Reach reach, GetSysInfoEntry getSysInfo, SettleWait wait,
                    void *context, bool *probed);
// Reaches the engine of the link's device type at its working speed or at 9600, and moves it to
// the working speed when it answered at 9600.
int NegotiateSpeed(EngineLink &link);
// 1 when the engine of the link's device type answered a revision request at the speed.
int ProbeEngine(EngineLink &link, uint32_t speed);
// Asks the engine to move to the speed; the port stays where it is.
int SwitchEngineSpeed(EngineLink &link, uint32_t speed);
// The engine's revision text; 0 with an empty text when the engine did not answer or its reply
// is a decode. Takes no lock: the caller holds the exchange lock.
int RequestRevision(EngineLink &link, int32_t type, WString &out);
// Whether a revision reply has the shape the engine of that type gives.
bool RevisionReplyFits(int32_t type, const Bytes &reply);
// The value of the speed-change parameter for a speed.
uint8_t SpeedCode(uint32_t speed);

}  // namespace bcr

#endif  // BCREADER_LINK_IDENTIFY_H
