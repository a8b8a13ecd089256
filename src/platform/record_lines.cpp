#include "platform/record_lines.h"

namespace bcr::platform {

std::string KeybdEventLine(uint8_t vk, uint8_t scan, uint32_t flags) {
  return "keybd_event " + std::to_string(vk) + " " + std::to_string(scan) + " " +
         std::to_string(flags);
}

std::string PostKeybdLine(uint32_t flags, uint32_t count, const uint32_t *shiftStates,
                          const uint32_t *chars) {
  std::string characters;
  std::string states;
  for (uint32_t i = 0; i < count; ++i) {
    const char *separator = i == 0 ? "" : ",";
    characters += separator + std::to_string(static_cast<int32_t>(chars[i]));
    states += separator + std::to_string(shiftStates[i]);
  }
  return "post " + std::to_string(flags) + " " + characters + " " + states;
}

std::string PlaySoundLine(uint32_t flags, const std::string &name) {
  return "play " + std::to_string(flags) + " " + name;
}

}  // namespace bcr::platform
