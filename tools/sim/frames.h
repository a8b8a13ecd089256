// Frames as the engine sees them: checksum, the incremental receiver and the short answers.
// Pure functions and one small state machine; nothing here touches the pseudo-terminal.
#ifndef BCRSIM_FRAMES_H
#define BCRSIM_FRAMES_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "sim/engine.h"

namespace bcrsim {

// One write on the line. The engine waits for the continuation acknowledgement after a packet
// with waitForAck before it writes the next packet of the same job; speedAfter moves the engine
// to a new speed as soon as the packet is out.
struct Packet {
  explicit Packet(Bytes packetBytes, bool wait = false)
      : bytes(std::move(packetBytes)), waitForAck(wait) {}

  Bytes bytes;
  bool waitForAck = false;
  std::optional<uint32_t> speedAfter;
};

// The checksum of a frame's first length bytes: two's complement of their 16-bit sum.
uint16_t Checksum(const uint8_t *bytes, size_t length);
// True when a whole frame (L bytes, then two checksum bytes) carries the right checksum.
bool ChecksumValid(const Bytes &frame);

inline constexpr uint8_t kOpRevisionRequest = 0xA3;
inline constexpr uint8_t kOpRevisionReply = 0xA4;
inline constexpr uint8_t kOpParamSend = 0xC6;
inline constexpr uint8_t kOpParamRequest = 0xC7;
inline constexpr uint8_t kOpAck = 0xD0;
inline constexpr uint8_t kOpNak = 0xD1;
inline constexpr uint8_t kOpStartDecode = 0xE4;
inline constexpr uint8_t kOpStopDecode = 0xE5;
inline constexpr uint8_t kOpDecodeData = 0xF3;

inline constexpr uint8_t kStatusMore = 0x02;          // decode packet: more packets follow
inline constexpr uint8_t kStatusContinuation = 0x03;  // host acknowledgement of a packet

Bytes AckFrame();  // 04 D0 00 00 with checksum
Bytes NakFrame();  // 05 D1 00 00 01 with checksum
// The revision reply the engine kind gives unless told otherwise, without checksum.
Bytes DefaultRevision(Kind kind);

// Cuts the byte stream from the host into frames. Zero bytes between frames are wake bytes and
// are skipped; a frame is its length byte L, L - 1 further bytes and two checksum bytes.
class FrameReceiver {
 public:
  // Takes one byte; returns the frame (checksum included) when this byte completed one.
  std::optional<Bytes> Feed(uint8_t byte);
  bool Partial() const { return !frame_.empty(); }
  void Reset() { frame_.clear(); }

 private:
  Bytes frame_;
};

}  // namespace bcrsim

#endif  // BCRSIM_FRAMES_H
