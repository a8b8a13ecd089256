// The wake step and the send-and-wait transaction on which every exchange with the engine is
// built. Neither takes a lock: callers run one exchange at a time (every write purges the input,
// so overlapping exchanges would destroy each other's replies).
#ifndef BCREADER_LINK_TRANSACTION_H
#define BCREADER_LINK_TRANSACTION_H

#include <cstdint>

#include "link/engine_link.h"
#include "util/wstring.h"

namespace bcr {

// Time-outs of the exchanges, in ms.
constexpr uint32_t kWakeWriteTimeout = 100;
constexpr uint32_t kWakePause = 100;
constexpr uint32_t kReplyByteTimeout = 20;  // every byte of a frame after its first
constexpr uint32_t kCommandTimeout = 1000;  // revision request, speed change, parameters
constexpr uint32_t kDecodeCommandTimeout = 200;
constexpr uint32_t kContinuationAckTimeout = 3000;
constexpr uint32_t kDecodeAckTimeout = 1000;
constexpr uint32_t kImagerPacketTimeout = 500;  // between packets of a 4507 decode

// One zero byte ahead of a command, then a pause while the engine wakes up.
void WakeEngine(EngineLink &link);

// Appends the checksum to frame and writes it. Without a reply string that is all (the write's
// result). With one, up to attempts times: write, receive one reply frame within timeoutMs;
// success unless the reply begins with the negative acknowledgement 05 D1 00 00. After the last
// attempt, reply holds what that attempt received. 0 at once without an engine type.
int SendAndWait(EngineLink &link, WString &frame, uint32_t timeoutMs, WString *reply,
                int32_t attempts);

}  // namespace bcr

#endif  // BCREADER_LINK_TRANSACTION_H
