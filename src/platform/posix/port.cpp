// Serial port on Linux: a tty through termios, waited on with poll() because termios counts its
// read time-outs in tenths of a second and the engine protocol needs 20 ms steps.
//
// Bytes are read from the tty in blocks into a buffer of the port and handed out from there; a
// purge empties that buffer together with the kernel's queues, so a caller cannot tell the
// difference from reading the tty byte by byte.
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/port.h"
#include "platform/posix/baud_table.h"

namespace bcr::platform {

struct Port {
  int fd = -1;
  int wake[2] = {-1, -1};  // a byte in the pipe ends the read waiting for its first byte
  std::mutex mutex;        // guards everything below; never held across a wait
  uint8_t buffer[512];
  uint32_t head = 0;
  uint32_t tail = 0;
};

namespace {

thread_local uint32_t lastError = 0;

bool Fail(int error) {
  lastError = static_cast<uint32_t>(error);
  return false;
}

// "COM<n>:" names the device of BCREADER_COM<n>, by default /dev/ttyS<n-1>. Any other name is
// taken as a device path.
std::string DevicePath(const char *name) {
  const char *p = name;
  if (strncasecmp(p, "COM", 3) != 0) return name;
  p += 3;
  if (!isdigit(static_cast<unsigned char>(*p))) return name;
  long n = strtol(p, const_cast<char **>(&p), 10);
  if (*p == ':') ++p;
  if (*p != '\0' || n < 1 || n > 255) return name;
  std::string variable = "BCREADER_COM" + std::to_string(n);
  if (const char *device = getenv(variable.c_str()); device != nullptr && *device != '\0') {
    return device;
  }
  return "/dev/ttyS" + std::to_string(n - 1);
}

// The longest wait of one read or write call: what poll() can wait in one call, about 24.8 days.
// Longer waits are cut to it.
constexpr uint64_t kLongestWaitMs = INT_MAX;

uint64_t DeadlineAfter(uint64_t limit) {
  return NowMs() + (limit < kLongestWaitMs ? limit : kLongestWaitMs);
}

// Waits until the descriptor is ready for the events or the deadline passes. 1 ready, 0 time-out
// or woken (wakeFd, when given, readable: its bytes are taken), -1 error (lastError set).
int WaitReady(int fd, short events, uint64_t deadline, int wakeFd = -1) {
  for (;;) {
    uint64_t now = NowMs();
    uint64_t left = now >= deadline ? 0 : deadline - now;
    int wait = static_cast<int>(left < kLongestWaitMs ? left : kLongestWaitMs);
    struct pollfd pfd[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    int n = poll(pfd, wakeFd >= 0 ? 2 : 1, wait);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
      return -1;
    }
    if (n == 0) return 0;
    if (pfd[0].revents & events) return 1;
    if (wakeFd >= 0 && (pfd[1].revents & POLLIN)) {
      uint8_t drain[16];
      while (read(wakeFd, drain, sizeof drain) > 0) {
      }
      return 0;
    }
    // Hang-up or error without data: the other end is gone.
    Fail((pfd[0].revents & POLLNVAL) ? EBADF : EIO);
    return -1;
  }
}

bool HungUp(int fd) {
  struct pollfd pfd = {fd, POLLIN, 0};
  return poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

uint32_t LastError() {
  return lastError;
}

bool PortGoneError(uint32_t error) {
  return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}
void SetLastError(uint32_t error) {
  lastError = error;
}

Port *PortOpenNumber(uint32_t number) {
  return PortOpen(("COM" + std::to_string(number) + ":").c_str());
}

Port *PortOpen(const char *name) {
  if (name == nullptr) {
    Fail(EINVAL);
    return nullptr;
  }
  std::string path = DevicePath(name);
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Fail(errno);
    return nullptr;
  }
  // TIOCEXCL keeps other users out, flock keeps out root as well.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno == EWOULDBLOCK ? EBUSY : errno;
    close(fd);
    Fail(error);
    return nullptr;
  }
  struct termios tio;
  if (tcgetattr(fd, &tio) != 0) {
    int error = errno;
    close(fd);
    Fail(error);
    return nullptr;
  }
  ioctl(fd, TIOCEXCL);
  // A serial port of the terminal carries bytes unchanged: raw, no modem control.
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &tio);
  Port *port = new Port;
  port->fd = fd;
  if (pipe2(port->wake, O_CLOEXEC | O_NONBLOCK) != 0) port->wake[0] = port->wake[1] = -1;
  return port;
}

void PortClose(Port *port) {
  if (port == nullptr) return;
  ioctl(port->fd, TIOCNXCL);
  flock(port->fd, LOCK_UN);
  close(port->fd);
  for (int end : port->wake) {
    if (end >= 0) close(end);
  }
  delete port;
}

bool PortSetup(Port *port, uint32_t, uint32_t) {
  // The tty's own queues are larger than any frame; nothing to size.
  return port != nullptr || Fail(EBADF);
}

bool PortPurge(Port *port, uint32_t flags) {
  if (port == nullptr) return Fail(EBADF);
  std::lock_guard<std::mutex> lock(port->mutex);
  int queue = -1;
  bool rx = flags & (kPurgeRxAbort | kPurgeRxClear);
  bool tx = flags & (kPurgeTxAbort | kPurgeTxClear);
  if (rx && tx) {
    queue = TCIOFLUSH;
  } else if (rx) {
    queue = TCIFLUSH;
  } else if (tx) {
    queue = TCOFLUSH;
  }
  if (rx) port->head = port->tail = 0;
  if (queue >= 0 && tcflush(port->fd, queue) != 0) return Fail(errno);
  return true;
}

bool PortGetLine(Port *port, LineSettings *line) {
  if (port == nullptr || line == nullptr) return Fail(EINVAL);
  struct termios tio;
  if (tcgetattr(port->fd, &tio) != 0) return Fail(errno);
  line->baudRate = BaudFromSpeed(cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      line->byteSize = 5;
      break;
    case CS6:
      line->byteSize = 6;
      break;
    case CS7:
      line->byteSize = 7;
      break;
    default:
      line->byteSize = 8;
      break;
  }
  line->parity = !(tio.c_cflag & PARENB) ? 0 : (tio.c_cflag & PARODD) ? 1 : 2;
  line->stopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
  line->ctsFlow = line->rtsFlow = (tio.c_cflag & CRTSCTS) != 0;
  return true;
}

bool PortSetLine(Port *port, const LineSettings &line) {
  if (port == nullptr) return Fail(EBADF);
  speed_t speed;
  if (!SpeedFromBaud(line.baudRate, &speed)) return Fail(EINVAL);
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  if (line.byteSize < 5 || line.byteSize > 8 || line.parity > 2) return Fail(EINVAL);
  struct termios tio;
  if (tcgetattr(port->fd, &tio) != 0) return Fail(errno);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= kSizes[line.byteSize - 5];
  if (line.parity != 0) tio.c_cflag |= PARENB | (line.parity == 1 ? PARODD : 0);
  if (line.stopBits != 0) tio.c_cflag |= CSTOPB;
  if (line.ctsFlow || line.rtsFlow) tio.c_cflag |= CRTSCTS;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  if (tcsetattr(port->fd, TCSANOW, &tio) != 0) return Fail(errno);
  return true;
}

bool PortRead(Port *port, uint8_t *buffer, uint32_t size, uint32_t waitMs, uint32_t *received) {
  if (received != nullptr) *received = 0;
  if (port == nullptr || buffer == nullptr || received == nullptr) return Fail(EINVAL);
  uint64_t deadline = DeadlineAfter(waitMs);
  uint32_t got = 0;
  while (got < size) {
    {
      std::lock_guard<std::mutex> lock(port->mutex);
      if (port->head == port->tail) {
        port->head = port->tail = 0;
        ssize_t n = read(port->fd, port->buffer, sizeof port->buffer);
        if (n > 0) {
          port->tail = static_cast<uint32_t>(n);
        } else if (n == 0 && HungUp(port->fd)) {
          // A raw tty answers 0 both when nothing is there and when the other end is gone.
          *received = got;
          return Fail(EIO);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
          *received = got;
          return Fail(errno);
        }
      }
      while (got < size && port->head < port->tail) buffer[got++] = port->buffer[port->head++];
    }
    if (got == size) break;
    // Only the wait for the first byte may be woken.
    int ready = WaitReady(port->fd, POLLIN, deadline, got == 0 ? port->wake[0] : -1);
    if (ready < 0) {
      *received = got;
      return false;
    }
    if (ready == 0) break;
  }
  *received = got;
  return true;
}

void PortWake(Port *port, bool wake) {
  if (port == nullptr || port->wake[1] < 0) return;
  if (!wake) {
    uint8_t drain[16];
    while (read(port->wake[0], drain, sizeof drain) > 0) {
    }
    return;
  }
  const uint8_t one = 1;
  [[maybe_unused]] const ssize_t n = write(port->wake[1], &one, 1);
}

bool PortInputWaiting(Port *port, uint32_t *count) {
  if (port == nullptr || count == nullptr) return Fail(EINVAL);
  std::lock_guard<std::mutex> lock(port->mutex);
  int queued = 0;
  if (ioctl(port->fd, FIONREAD, &queued) != 0) return Fail(errno);
  *count = port->tail - port->head + static_cast<uint32_t>(queued);
  return true;
}

bool PortFramingErrors(Port *port, uint32_t *count) {
  if (port == nullptr || count == nullptr) return Fail(EINVAL);
  serial_icounter_struct counters{};
  if (ioctl(port->fd, TIOCGICOUNT, &counters) != 0) return Fail(errno);
  *count = static_cast<uint32_t>(counters.frame);
  return true;
}

bool PortWrite(Port *port, const uint8_t *data, uint32_t size, uint32_t waitMs, uint32_t *written) {
  if (written != nullptr) *written = 0;
  if (port == nullptr || (data == nullptr && size != 0) || written == nullptr) return Fail(EINVAL);
  // A write time-out of 0 means no limit on the terminal; here it is bounded all the same, so
  // that a stuck line cannot hang the caller.
  constexpr uint64_t kUnlimitedWrite = 10000;
  uint64_t deadline = DeadlineAfter(waitMs == 0 ? kUnlimitedWrite : waitMs);
  uint32_t sent = 0;
  while (sent < size) {
    ssize_t n = write(port->fd, data + sent, size - sent);
    if (n > 0) {
      sent += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      *written = sent;
      return Fail(errno);
    }
    int ready = WaitReady(port->fd, POLLOUT, deadline);
    if (ready <= 0) {
      // As on the terminal, a write that times out succeeds with what went out.
      *written = sent;
      if (ready < 0) return false;
      lastError = ETIMEDOUT;
      return true;
    }
  }
  *written = sent;
  return true;
}

}  // namespace bcr::platform
