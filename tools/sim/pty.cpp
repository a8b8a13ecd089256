#include "sim/pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace bcrsim {

namespace {

struct SpeedRow {
  speed_t constant;
  uint32_t bitsPerSecond;
};

constexpr SpeedRow kSpeeds[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},
    {B150, 150},         {B200, 200},         {B300, 300},         {B600, 600},
    {B1200, 1200},       {B1800, 1800},       {B2400, 2400},       {B4800, 4800},
    {B9600, 9600},       {B19200, 19200},     {B38400, 38400},     {B57600, 57600},
    {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000},
    {B1500000, 1500000}, {B2000000, 2000000},
};

std::optional<speed_t> SpeedConstant(uint32_t bitsPerSecond) {
  for (const SpeedRow &row : kSpeeds) {
    if (row.bitsPerSecond == bitsPerSecond) return row.constant;
  }
  return std::nullopt;
}

}  // namespace

bool KnownSpeed(uint32_t bitsPerSecond) {
  return SpeedConstant(bitsPerSecond).has_value();
}

uint32_t LineSpeed(int master) {
  termios settings{};
  if (tcgetattr(master, &settings) != 0) return 0;
  const speed_t constant = cfgetospeed(&settings);
  for (const SpeedRow &row : kSpeeds) {
    if (row.constant == constant) return row.bitsPerSecond;
  }
  return 0;
}

std::optional<Pty> OpenPty(uint32_t bitsPerSecond) {
  const std::optional<speed_t> speed = SpeedConstant(bitsPerSecond);
  if (!speed) return std::nullopt;
  Pty pty;
  pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (pty.master < 0) return std::nullopt;
  char name[128];
  if (grantpt(pty.master) == 0 && unlockpt(pty.master) == 0 &&
      ptsname_r(pty.master, name, sizeof name) == 0) {
    pty.path = name;
    pty.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  }
  termios settings{};
  if (pty.slave < 0 || tcgetattr(pty.slave, &settings) != 0) {
    ClosePty(&pty);
    return std::nullopt;
  }
  cfmakeraw(&settings);
  cfsetispeed(&settings, *speed);
  cfsetospeed(&settings, *speed);
  const int flags = fcntl(pty.master, F_GETFL);
  if (tcsetattr(pty.slave, TCSANOW, &settings) != 0 || flags < 0 ||
      fcntl(pty.master, F_SETFL, flags | O_NONBLOCK) != 0) {
    ClosePty(&pty);
    return std::nullopt;
  }
  return pty;
}

void ClosePty(Pty *pty) {
  if (pty->slave >= 0) close(pty->slave);
  if (pty->master >= 0) close(pty->master);
  pty->slave = -1;
  pty->master = -1;
}

}  // namespace bcrsim
