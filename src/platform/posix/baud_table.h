// The speeds termios can express, as numbers.
#ifndef BCREADER_PLATFORM_POSIX_BAUD_TABLE_H
#define BCREADER_PLATFORM_POSIX_BAUD_TABLE_H

#include <termios.h>

#include <cstdint>

namespace bcr::platform {

// False when termios has no constant for the speed.
bool SpeedFromBaud(uint32_t baud, speed_t *speed);
// 0 for a constant not in the table.
uint32_t BaudFromSpeed(speed_t speed);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_BAUD_TABLE_H
