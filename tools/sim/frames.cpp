#include "sim/frames.h"

#include <string_view>

namespace bcrsim {

uint16_t Checksum(const uint8_t *bytes, size_t length) {
  uint16_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum = static_cast<uint16_t>(sum + bytes[i]);
  return static_cast<uint16_t>(0x10000 - sum);
}

Bytes WithChecksum(Bytes frame) {
  const uint16_t sum = Checksum(frame.data(), frame.size());
  frame.push_back(static_cast<uint8_t>(sum >> 8));
  frame.push_back(static_cast<uint8_t>(sum & 0xFF));
  return frame;
}

bool ChecksumValid(const Bytes &frame) {
  if (frame.size() < 3) return false;
  const size_t length = frame.size() - 2;
  const uint16_t sum = Checksum(frame.data(), length);
  return frame[length] == (sum >> 8) && frame[length + 1] == (sum & 0xFF);
}

Bytes AckFrame() {
  return WithChecksum({0x04, kOpAck, 0x00, 0x00});
}

Bytes NakFrame() {
  return WithChecksum({0x05, kOpNak, 0x00, 0x00, 0x01});
}

Bytes DefaultRevision(Kind kind) {
  // Both texts are made up; what matters is their shape: the SE955 reply is 20 bytes with the
  // marker 0x98 at offset 15, the 4507 reply carries "PAAAA" from offset 4.
  Bytes reply{0x00, kOpRevisionReply, 0x00, 0x00};
  std::string_view text;
  if (kind == Kind::SE955) {
    text = "ENG955A7-01";
    reply.insert(reply.end(), text.begin(), text.end());
    reply.push_back(0x98);
    text = "0102";
  } else {
    text = "PAAAAS00-R01-1234IMG";
  }
  reply.insert(reply.end(), text.begin(), text.end());
  reply[0] = static_cast<uint8_t>(reply.size());
  return reply;
}

std::optional<Bytes> FrameReceiver::Feed(uint8_t byte) {
  if (frame_.empty() && byte == 0x00) return std::nullopt;
  frame_.push_back(byte);
  if (frame_.size() < static_cast<size_t>(frame_[0]) + 2) return std::nullopt;
  Bytes frame;
  frame.swap(frame_);
  return frame;
}

}  // namespace bcrsim
