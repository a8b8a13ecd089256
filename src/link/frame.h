// Frames of the engine's serial protocol: length L, opcode, source, status, data, then a 16-bit
// checksum (high byte first) that L does not count. In memory a frame, and every reply, is Bytes.
#ifndef BCREADER_LINK_FRAME_H
#define BCREADER_LINK_FRAME_H

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace bcr {

// The bytes of a frame or a reply, as they go over the wire.
using Bytes = std::vector<uint8_t>;

enum Opcode : uint8_t {
  kOpRevisionRequest = 0xA3,
  kOpRevisionReply = 0xA4,
  kOpParamSend = 0xC6,  // also the engine's reply to a parameter request
  kOpParamRequest = 0xC7,
  kOpAck = 0xD0,
  kOpNak = 0xD1,
  kOpStartDecode = 0xE4,
  kOpStopDecode = 0xE5,
  kOpDecodeData = 0xF3,
};

constexpr uint8_t kSourceHost = 0x04;
constexpr uint8_t kSourceEngine = 0x00;
constexpr uint8_t kStatusPlain = 0x00;
constexpr uint8_t kStatusContinuationAck = 0x03;
constexpr uint8_t kStatusMorePackets = 0x02;
constexpr uint8_t kStatusPermanent = 0x08;
// First data byte of a decode that comes in the engine's 0x99 format.
constexpr uint8_t kFormat99Marker = 0x99;
// The beep code of the library's parameter sends and of the engine's parameter replies: no beep.
constexpr uint8_t kNoBeep = 0xFF;
// Bytes before the first pair of a parameter send or reply: length, opcode, source, status and
// beep code.
constexpr uint32_t kParamHeadSize = 5;
// The most bytes a length byte counts.
constexpr uint32_t kLongestFrame = 0xFF;

// Appends the two's complement of the 16-bit sum of all bytes, high byte first.
void AppendChecksum(Bytes &frame);

// A frame of the given bytes, without checksum.
Bytes MakeFrame(std::initializer_list<uint8_t> bytes);

// A parameter number as it travels: one byte up to 0xFF, else two or three, high byte first.
struct ParamNumberBytes {
  uint8_t bytes[3];
  uint8_t size;
};
ParamNumberBytes ParamNumberOf(uint32_t number);
void AppendParamNumber(uint32_t number, Bytes &bytes);

// A parameter send (permanent, no beep) of the pairs, numbers and values; empty when the frame
// would be longer than its length byte can count.
Bytes ParamSendFrame(const Bytes &pairs);
// A parameter request for the numbers (a handler's numbers always fit).
Bytes ParamRequestFrame(const Bytes &numbers);

// The frames the library sends as they stand, before the checksum.
inline Bytes RevisionRequestFrame() {
  return MakeFrame({0x04, kOpRevisionRequest, kSourceHost, 0x00});
}
inline Bytes StartDecodeFrame() {
  return MakeFrame({0x04, kOpStartDecode, kSourceHost, 0x00});
}
inline Bytes StopDecodeFrame() {
  return MakeFrame({0x04, kOpStopDecode, kSourceHost, 0x00});
}
inline Bytes DecodeAckFrame() {
  return MakeFrame({0x04, kOpAck, kSourceHost, kStatusPlain});
}
inline Bytes ContinuationAckFrame() {
  return MakeFrame({0x04, kOpAck, kSourceHost, kStatusContinuationAck});
}

}  // namespace bcr

#endif  // BCREADER_LINK_FRAME_H
