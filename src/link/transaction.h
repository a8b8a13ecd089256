// The wake step and the send-and-wait transaction on which every exchange with the engine is
// built. Callers run one exchange at a time (they hold the exchange lock): replies carry no tag,
// so the reply the line reader hands over is the answer to the one request outstanding.
#ifndef BCREADER_LINK_TRANSACTION_H
#define BCREADER_LINK_TRANSACTION_H

#include <cstdint>

#include "link/engine_link.h"
#include "link/frame.h"
#include "link/serial_port.h"

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
// For the next packet of a decode to begin once the last one was acknowledged: the engine sends
// it when it has the acknowledgement, and a busy terminal may hear it late.
constexpr uint32_t kNextPacketTimeout = 500;
// Longest wait for the line to come free before a request is written: a decode arriving packet
// by packet is waited out, an engine that never stops sending is not.
constexpr uint32_t kLineFreeWait = 5000;

// One zero byte ahead of a command, then a pause while the engine wakes up.
void WakeEngine(EngineLink &link);

// The outcome of an exchange and the reply it brought.
struct Exchanged {
  ReplyStatus status = ReplyStatus::kSilent;  // of the last attempt
  uint64_t replySeq = 0;                      // the reply's place among the frames read
  // Every attempt went out and nothing at all came back, not even a decode: the engine is not
  // there.
  bool unheard = false;
};

// Writes the frame with its checksum up to attempts times, each time waiting timeoutMs for one
// reply frame; a NAK, noise or silence makes the next attempt. After the last attempt, reply
// holds what that attempt received. kSilent at once without an engine type or attempts.
Exchanged Exchange(EngineLink &link, const Bytes &frame, uint32_t timeoutMs, Bytes *reply,
                   int32_t attempts);

// As Exchange: true for a reply (a NAK is none).
bool SendAndWait(EngineLink &link, const Bytes &frame, uint32_t timeoutMs, Bytes *reply,
                 int32_t attempts);

// Writes the frame with its checksum once within waitMs, for no reply (an acknowledgement).
// kFailed without an engine type.
Written SendOnly(EngineLink &link, const Bytes &frame, uint32_t waitMs);

}  // namespace bcr

#endif  // BCREADER_LINK_TRANSACTION_H
