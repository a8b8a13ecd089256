#include "link/frame.h"

namespace bcr {

void AppendChecksum(Bytes &frame) {
  uint16_t sum = 0;
  for (uint8_t byte : frame) sum = static_cast<uint16_t>(sum + byte);
  uint16_t checksum = static_cast<uint16_t>(0x10000 - sum);
  frame.push_back(static_cast<uint8_t>(checksum >> 8));
  frame.push_back(static_cast<uint8_t>(checksum & 0xFF));
}

Bytes MakeFrame(std::initializer_list<uint8_t> bytes) {
  return Bytes(bytes);
}

ParamNumberBytes ParamNumberOf(uint32_t number) {
  if (number > 0xFFFF) {
    return {{static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 8),
             static_cast<uint8_t>(number)},
            3};
  }
  if (number > 0xFF) return {{static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number)}, 2};
  return {{static_cast<uint8_t>(number)}, 1};
}

void AppendParamNumber(uint32_t number, Bytes &bytes) {
  ParamNumberBytes n = ParamNumberOf(number);
  bytes.insert(bytes.end(), n.bytes, n.bytes + n.size);
}

namespace {

// The head, then the body; the length byte counts both.
Bytes WithLength(Bytes frame, const Bytes &body) {
  frame.insert(frame.end(), body.begin(), body.end());
  frame[0] = static_cast<uint8_t>(frame.size());
  return frame;
}

}  // namespace

Bytes ParamSendFrame(const Bytes &pairs) {
  if (kParamHeadSize + pairs.size() > kLongestFrame) return Bytes();
  return WithLength(MakeFrame({0, kOpParamSend, kSourceHost, kStatusPermanent, kNoBeep}), pairs);
}

Bytes ParamRequestFrame(const Bytes &numbers) {
  return WithLength(MakeFrame({0, kOpParamRequest, kSourceHost, kStatusPlain}), numbers);
}

}  // namespace bcr
