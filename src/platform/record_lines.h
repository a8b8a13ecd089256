// The lines of the record:<file> sinks, the same on every platform: one line per keyboard or
// sound call, numbers in decimal, so that tests and users see exactly what would have been sent.
#ifndef BCREADER_PLATFORM_RECORD_LINES_H
#define BCREADER_PLATFORM_RECORD_LINES_H

#include <cstdint>
#include <string>

namespace bcr::platform {

// "keybd_event <vk> <scan> <flags>"
std::string KeybdEventLine(uint8_t vk, uint8_t scan, uint32_t flags);
// "post <flags> <c1>,...,<cn> <s1>,...,<sn>", the characters as the signed values passed.
std::string PostKeybdLine(uint32_t flags, uint32_t count, const uint32_t *shiftStates,
                          const uint32_t *chars);
// "play <flags> <name>"; the stop of a sound is the line "stop".
std::string PlaySoundLine(uint32_t flags, const std::string &name);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_RECORD_LINES_H
