// The pseudo-terminal the engine sits on, and the speeds of its line settings.
#ifndef BCRSIM_PTY_H
#define BCRSIM_PTY_H

#include <cstdint>
#include <optional>
#include <string>

namespace bcrsim {

// master: the engine's side, non-blocking. slave: a descriptor of the library's side that the
// engine keeps open so that the device survives the library closing and reopening it (without
// one, reads on the master fail with EIO). path: the slave device.
struct Pty {
  int master = -1;
  int slave = -1;
  std::string path;
};

// Makes a pseudo-terminal with its slave side in raw mode at the given speed.
std::optional<Pty> OpenPty(uint32_t bitsPerSecond);
void ClosePty(Pty *pty);

// The speed the slave side is set to, read through the master (the two share their settings);
// 0 when it cannot be read or is not in the table.
uint32_t LineSpeed(int master);
// Whether the speed has a line-settings constant.
bool KnownSpeed(uint32_t bitsPerSecond);

}  // namespace bcrsim

#endif  // BCRSIM_PTY_H
