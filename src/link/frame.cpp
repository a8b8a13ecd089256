#include "link/frame.h"

namespace bcr {

void AppendChecksum(WString &frame) {
  uint16_t sum = 0;
  for (uint32_t i = 0; i < frame.Size(); ++i) sum = static_cast<uint16_t>(sum + frame.Data()[i]);
  uint16_t checksum = static_cast<uint16_t>(0x10000 - sum);
  frame.AppendUnit(checksum >> 8);
  frame.AppendUnit(checksum & 0xFF);
}

WString MakeFrame(std::initializer_list<uint8_t> bytes) {
  WString frame;
  for (uint8_t byte : bytes) frame.AppendUnit(byte);
  return frame;
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

void AppendParamNumber(uint32_t number, WString &bytes) {
  ParamNumberBytes n = ParamNumberOf(number);
  for (uint8_t i = 0; i < n.size; ++i) bytes.AppendUnit(n.bytes[i]);
}

namespace {

// The head, then the body; the length byte counts both.
WString WithLength(WString frame, const WString &body) {
  frame.Append(body);
  frame.SetAt(static_cast<uint16_t>(frame.Size()), 0);
  return frame;
}

}  // namespace

WString ParamSendFrame(const WString &pairs) {
  if (kParamHeadSize + pairs.Size() > kLongestFrame) return WString();
  return WithLength(MakeFrame({0, kOpParamSend, kSourceHost, kStatusPermanent, kNoBeep}), pairs);
}

WString ParamRequestFrame(const WString &numbers) {
  return WithLength(MakeFrame({0, kOpParamRequest, kSourceHost, kStatusPlain}), numbers);
}

}  // namespace bcr
