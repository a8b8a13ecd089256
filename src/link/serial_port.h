// SerialPort: the engine's serial port, owned by the link. It keeps its own state: the open port,
// the speed last asked of it, the platform error of its last failed call, the bytes read ahead of
// the next frame and the guard of its write side. Every call reports to the link's health (a call
// refused while the engine is away touches nothing; a device gone is reported). None of them
// retries.
#ifndef BCREADER_LINK_SERIAL_PORT_H
#define BCREADER_LINK_SERIAL_PORT_H

#include <atomic>
#include <cstdint>
#include <vector>

#include "link/frame.h"
#include "link/link_health.h"
#include "platform/port.h"
#include "util/mutex.h"
#include "util/thread_annotations.h"

namespace bcr {

constexpr uint32_t kPortQueueSize = 4096;

// What a read of one byte did.
enum class ByteRead {
  kGot,
  kNothing,  // no byte within the wait
  kFailed,   // the port failed, or is closed to the calling thread
};

// What a write of a frame did.
enum class Written {
  kWritten,  // a partial write counts as written
  // Nothing was written: received bytes wait to be read, and the write asked for a quiet line.
  kInputArriving,
  kFailed,
};

class SerialPort {
 public:
  explicit SerialPort(LinkHealth &health) : health_(health) {}
  ~SerialPort() { Close(); }
  SerialPort(const SerialPort &) = delete;
  SerialPort &operator=(const SerialPort &) = delete;

  // Opens "COM<number>:" and purges its queues; the speed is not set.
  bool Open(uint32_t number);
  // Drops the bytes read ahead, purges and closes an open port; a closed one is left as it is.
  void Close();
  // Back to the state of a port never opened: the speed 9600, no error. The port must be closed.
  void Reset();
  bool IsOpen() const { return port_ != nullptr; }

  // 8N1 without hardware flow control at the speed. The speed is recorded before it is applied,
  // so the port holds it also when the device refuses it.
  bool SetSpeed(uint32_t speed);
  uint32_t Speed() const { return speed_; }
  // The settings the device holds now.
  bool Line(platform::LineSettings *line);
  // The platform error of the last call that failed (a read that got nothing included).
  uint32_t LastError() const { return lastError_; }

  // Every read and write takes its own wait, in ms: threads that use the port at the same time
  // never change each other's.
  // One byte within waitMs; *out is 0 unless one came.
  ByteRead ReadByte(uint8_t *out, uint32_t waitMs);
  // Writes the frame in one call within waitMs. Nothing received is purged: the line reader reads
  // everything. onlyIfQuiet: nothing is written while received bytes wait to be read (a request
  // written as the engine begins a decode of several packets would make it give that decode up).
  Written Write(const Bytes &frame, uint32_t waitMs, bool onlyIfQuiet = false) EXCLUDES(writeLock_);
  // Ends a wait for a byte on another thread; with wake false, takes back a wake nobody took.
  void Wake(bool wake = true);
  // The framing errors the port counted so far; false where the port tells none.
  bool FramingErrors(uint32_t *count);

  // Bytes read off the port that no frame took yet: the line's one reader reads them first.
  std::vector<uint8_t> &ReadAhead() { return readAhead_; }
  bool HasReadAhead() const { return !readAhead_.empty(); }

 private:
  // Keeps the platform's error of the call that just failed.
  void Failed();
  // A platform call that returned false: a device gone is reported.
  void PortFailed();

  LinkHealth &health_;
  platform::Port *port_ = nullptr;  // null while closed
  std::atomic<uint32_t> speed_{9600};
  std::atomic<uint32_t> lastError_{0};
  std::vector<uint8_t> readAhead_;
  // Any thread may write; one write at a time.
  Mutex writeLock_;
};

}  // namespace bcr

#endif  // BCREADER_LINK_SERIAL_PORT_H
