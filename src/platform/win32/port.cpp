// Serial port on the system's communications calls, nearly one call per function.
//
// Reads and writes are overlapped on the desktop: a synchronous handle lets the system run one
// call at a time, so a write would wait behind another thread's pending read for that read's
// whole time-out; the terminal's driver has no such queue. Each call still returns only when its
// transfer has ended, so callers see the terminal's synchronous behaviour.
//
// Each read and write names its own wait; the driver's time-out block is set only when that wait
// differs from the one it holds (a wait of 0 means "return at once", which Win32 writes as an
// interval of MAXDWORD; a write without a wait is bounded all the same).
#include "platform/port.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <string>

#include "platform/win32/text.h"

namespace bcr::platform {

namespace {

// The waits of one read and one write call as the driver holds them.
struct PortTimeouts {
  uint32_t readInterval = 0;
  uint32_t readMultiplier = 0;
  uint32_t readConstant = 0;
  uint32_t writeMultiplier = 0;
  uint32_t writeConstant = 0;
};

}  // namespace

struct Port {
  HANDLE handle = INVALID_HANDLE_VALUE;
  SRWLOCK lock = SRWLOCK_INIT;  // guards timeouts
  PortTimeouts timeouts;
  // Framing errors seen by ClearCommError, which clears the driver's flag at every call.
  volatile LONG framingErrors = 0;
  volatile LONG wakePending = 0;  // PortWake came: the next wait for a first byte ends at once
};

namespace {

// A write that the caller left without a time-out is bounded at this, so a stuck line cannot
// hang the caller.
constexpr DWORD kUnlimitedWriteMs = 10000;
// How long a transfer may run past the port's own time-out before it is cancelled; only a
// driver that ignores its time-outs comes near it.
constexpr uint64_t kDriverMarginMs = 5000;
constexpr uint64_t kLongestWaitMs = 0x7FFFFFFF;

#ifdef _WIN32_WCE
constexpr DWORD kOpenAttributes = FILE_ATTRIBUTE_NORMAL;
#else
constexpr DWORD kOpenAttributes = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED;
#endif

COMMTIMEOUTS ToSystem(const PortTimeouts &timeouts) {
  COMMTIMEOUTS system{};
  if (timeouts.readConstant == 0 && timeouts.readMultiplier == 0) {
    system.ReadIntervalTimeout = MAXDWORD;
  } else {
    system.ReadTotalTimeoutMultiplier = timeouts.readMultiplier;
    system.ReadTotalTimeoutConstant = timeouts.readConstant;
  }
  system.WriteTotalTimeoutMultiplier = timeouts.writeMultiplier;
  system.WriteTotalTimeoutConstant = timeouts.writeConstant;
  if (timeouts.writeConstant == 0 && timeouts.writeMultiplier == 0) {
    system.WriteTotalTimeoutConstant = kUnlimitedWriteMs;
  }
  return system;
}

PortTimeouts FromSystem(const COMMTIMEOUTS &system) {
  PortTimeouts timeouts;
  if (system.ReadIntervalTimeout != MAXDWORD) timeouts.readInterval = system.ReadIntervalTimeout;
  timeouts.readMultiplier = system.ReadTotalTimeoutMultiplier;
  timeouts.readConstant = system.ReadTotalTimeoutConstant;
  timeouts.writeMultiplier = system.WriteTotalTimeoutMultiplier;
  timeouts.writeConstant = system.WriteTotalTimeoutConstant;
  return timeouts;
}

PortTimeouts CurrentTimeouts(Port *port) {
  AcquireSRWLockShared(&port->lock);
  PortTimeouts timeouts = port->timeouts;
  ReleaseSRWLockShared(&port->lock);
  return timeouts;
}

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

// Runs one read or write to its end. limitMs is the port's own time-out for it.
bool Transfer(Port *port, bool write, void *buffer, uint32_t size, uint64_t limitMs,
              uint32_t *done) {
  DWORD count = 0;
#ifdef _WIN32_WCE
  (void)limitMs;
  BOOL ok = write ? WriteFile(port->handle, buffer, size, &count, nullptr)
                  : ReadFile(port->handle, buffer, size, &count, nullptr);
  DWORD error = ok ? ERROR_SUCCESS : GetLastError();
#else
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) return false;
  BOOL ok = write ? WriteFile(port->handle, buffer, size, nullptr, &overlapped)
                  : ReadFile(port->handle, buffer, size, nullptr, &overlapped);
  DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  if (ok || error == ERROR_IO_PENDING) {
    DWORD wait = static_cast<DWORD>(std::min(limitMs + kDriverMarginMs, kLongestWaitMs));
    if (!ok && WaitForSingleObject(overlapped.hEvent, wait) != WAIT_OBJECT_0) {
      CancelIoEx(port->handle, &overlapped);
    }
    ok = GetOverlappedResult(port->handle, &overlapped, &count, TRUE);
    error = ok ? ERROR_SUCCESS : GetLastError();
    // A time-out ends the transfer with what got through. The driver's status for it is a success
    // code that some systems hand on as ERROR_TIMEOUT.
    // A read PortWake cancelled ends like one that timed out.
    if (!ok && (error == ERROR_TIMEOUT || (!write && error == ERROR_OPERATION_ABORTED))) {
      ok = TRUE;
      count = static_cast<DWORD>(overlapped.InternalHigh);
    }
  }
  CloseHandle(overlapped.hEvent);
#endif
  *done = count;
  return ok || Fail(error);
}

}  // namespace

uint32_t LastError() {
  return GetLastError();
}

bool PortGoneError(uint32_t error) {
  return error == ERROR_DEVICE_REMOVED || error == ERROR_BAD_COMMAND ||
         error == ERROR_INVALID_HANDLE || error == ERROR_DEV_NOT_EXIST ||
         error == ERROR_GEN_FAILURE || error == ERROR_ACCESS_DENIED;
}

void SetLastError(uint32_t error) {
  ::SetLastError(error);
}

Port *PortOpenNumber(uint32_t number) {
  return PortOpen(("COM" + std::to_string(number) + ":").c_str());
}

Port *PortOpen(const char *name) {
  if (name == nullptr) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::wstring path = Widen(name);
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              kOpenAttributes, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  COMMTIMEOUTS system{};
  if (!GetCommTimeouts(handle, &system)) {
    DWORD error = GetLastError();
    CloseHandle(handle);
    Fail(error);
    return nullptr;
  }
  Port *port = new (std::nothrow) Port;
  if (port == nullptr) {
    CloseHandle(handle);
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  port->handle = handle;
  // The driver's values, given the meaning they have here.
  port->timeouts = FromSystem(system);
  COMMTIMEOUTS applied = ToSystem(port->timeouts);
  SetCommTimeouts(handle, &applied);
  return port;
}

void PortClose(Port *port) {
  if (port == nullptr) return;
  CloseHandle(port->handle);
  delete port;
}

bool PortSetup(Port *port, uint32_t inQueue, uint32_t outQueue) {
  if (port == nullptr) return Fail(ERROR_INVALID_HANDLE);
  return SetupComm(port->handle, inQueue, outQueue) != FALSE;
}

bool PortPurge(Port *port, uint32_t flags) {
  if (port == nullptr) return Fail(ERROR_INVALID_HANDLE);
  return PurgeComm(port->handle, flags) != FALSE;
}

bool PortGetLine(Port *port, LineSettings *line) {
  if (port == nullptr || line == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port->handle, &dcb)) return false;
  line->baudRate = dcb.BaudRate;
  line->byteSize = dcb.ByteSize;
  line->parity = dcb.Parity;
  line->stopBits = dcb.StopBits;
  line->ctsFlow = dcb.fOutxCtsFlow != 0;
  line->rtsFlow = dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
  return true;
}

bool PortSetLine(Port *port, const LineSettings &line) {
  if (port == nullptr) return Fail(ERROR_INVALID_HANDLE);
  // Every field the settings do not name keeps the driver's value.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port->handle, &dcb)) return false;
  dcb.BaudRate = line.baudRate;
  dcb.ByteSize = line.byteSize;
  dcb.Parity = line.parity;
  dcb.StopBits = line.stopBits;
  dcb.fOutxCtsFlow = line.ctsFlow ? 1 : 0;
  dcb.fRtsControl = line.rtsFlow ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
  return SetCommState(port->handle, &dcb) != FALSE;
}

namespace {

// Gives the driver these waits unless it holds them already.
bool ApplyTimeouts(Port *port, const PortTimeouts &timeouts) {
  const PortTimeouts held = CurrentTimeouts(port);
  if (held.readConstant == timeouts.readConstant &&
      held.readMultiplier == timeouts.readMultiplier &&
      held.writeConstant == timeouts.writeConstant &&
      held.writeMultiplier == timeouts.writeMultiplier) {
    return true;
  }
  COMMTIMEOUTS system = ToSystem(timeouts);
  AcquireSRWLockExclusive(&port->lock);
  bool ok = SetCommTimeouts(port->handle, &system) != FALSE;
  if (ok) port->timeouts = timeouts;
  DWORD error = GetLastError();
  ReleaseSRWLockExclusive(&port->lock);
  return ok || Fail(error);
}

}  // namespace

bool PortInputWaiting(Port *port, uint32_t *count) {
  if (port == nullptr || count == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  COMSTAT status{};
  DWORD errors = 0;
  if (!ClearCommError(port->handle, &errors, &status)) return false;
  if ((errors & CE_FRAME) != 0) InterlockedIncrement(&port->framingErrors);
  *count = status.cbInQue;
  return true;
}

void PortWake(Port *port, bool wake) {
  if (port == nullptr) return;
  InterlockedExchange(&port->wakePending, wake ? 1 : 0);
#ifndef _WIN32_WCE
  if (wake) CancelIoEx(port->handle, nullptr);
#endif
}

bool PortFramingErrors(Port *port, uint32_t *count) {
  if (port == nullptr || count == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  uint32_t waiting = 0;
  if (!PortInputWaiting(port, &waiting)) return false;
  *count = static_cast<uint32_t>(port->framingErrors);
  return true;
}

bool PortRead(Port *port, uint8_t *buffer, uint32_t size, uint32_t waitMs, uint32_t *received) {
  if (received != nullptr) *received = 0;
  if (port == nullptr || buffer == nullptr || received == nullptr) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  PortTimeouts timeouts = CurrentTimeouts(port);
  timeouts.readInterval = 0;
  timeouts.readConstant = InterlockedExchange(&port->wakePending, 0) != 0 ? 0 : waitMs;
  timeouts.readMultiplier = 0;
  if (timeouts.readConstant != 0 && !ApplyTimeouts(port, timeouts)) return false;
  if (timeouts.readConstant == 0 && timeouts.readMultiplier == 0) {
    // Whatever is there, at once: asked of the driver's queue rather than of its time-outs, which
    // not every system honours for overlapped reads.
    uint32_t waiting = 0;
    if (!PortInputWaiting(port, &waiting)) return false;
    if (waiting == 0) return true;
    size = std::min<uint32_t>(size, waiting);
  }
  uint64_t limit = timeouts.readConstant + uint64_t{timeouts.readMultiplier} * size;
  return Transfer(port, false, buffer, size, limit, received);
}

bool PortWrite(Port *port, const uint8_t *data, uint32_t size, uint32_t waitMs, uint32_t *written) {
  if (written != nullptr) *written = 0;
  if (port == nullptr || (data == nullptr && size != 0) || written == nullptr) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  PortTimeouts timeouts = CurrentTimeouts(port);
  timeouts.writeConstant = waitMs;
  timeouts.writeMultiplier = 0;
  if (!ApplyTimeouts(port, timeouts)) return false;
  COMMTIMEOUTS system = ToSystem(timeouts);
  uint64_t limit =
      system.WriteTotalTimeoutConstant + uint64_t{system.WriteTotalTimeoutMultiplier} * size;
  // Transfer serves both directions; a write only reads the buffer.
  return Transfer(port, true, const_cast<uint8_t *>(data), size, limit, written);
}

}  // namespace bcr::platform
