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

}  // namespace bcr
