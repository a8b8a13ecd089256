// EngineLink: the serial link to the scan engine, one per process inside the reader object.
#ifndef BCREADER_LINK_ENGINE_LINK_H
#define BCREADER_LINK_ENGINE_LINK_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "link/decode_road.h"
#include "link/line_reader.h"
#include "link/link_health.h"
#include "link/port_lock.h"
#include "platform/port.h"

namespace bcr {

// Engine kinds.
enum DeviceType : int32_t {
  kNoEngine = 0,
  kImager4507 = 8,
  kEngineSE955 = 9,
};

inline bool IsKnownEngine(int32_t type) {
  return type == kImager4507 || type == kEngineSE955;
}

struct EngineLink {
  EngineLink() { Initialise(); }
  ~EngineLink() { Close(); }
  EngineLink(const EngineLink &) = delete;
  EngineLink &operator=(const EngineLink &) = delete;

  // Sets every field to its construction value. The port must be closed.
  void Initialise();
  // Purges and closes the port.
  void Close();
  // The line is busy: a frame is arriving (the line reader frees it when done with the frame).
  void SetFrameInFlight(bool inFlight) { line.SetBusy(inFlight); }

  uint32_t portNumber = 0;
  platform::Port *port = nullptr;  // null while closed
  // The speed last requested of SetPortSpeed, also when the port refused it.
  std::atomic<uint32_t> portSpeed{9600};
  std::atomic<int32_t> deviceType{kNoEngine};
  // The platform error of the last port call that failed.
  std::atomic<uint32_t> lastError{0};
  // 1 after a start decode the engine accepted, 0 after a stop decode.
  std::atomic<uint32_t> decoding{0};
  // The exchange lock: one exchange with the engine at a time (the rules are in
  // link/port_lock.h).
  PortLock portLock;
  // Bytes the line reader read too far and reads again first (only it reads the port).
  std::vector<uint8_t> unread;
  // Bytes read from the port so far.
  std::atomic<uint32_t> bytesRead{0};
  // Exchanges whose every attempt met silence (not one byte came back).
  std::atomic<uint32_t> unanswered{0};
  // The waits of the next read and write, as SetPortTimeout last set them.
  uint32_t readWait = 0;
  uint32_t writeWait = 0;
  // Guard the port's write side and the waits (read by the line reader, written by all).
  std::mutex writeLock;
  std::mutex timeoutLock;
  // The decodes read off the line, on their way to whoever waits for one.
  DecodeRoad decodes;
  // The one reader of the line.
  LineReader line{*this};
  // Whether the engine is still there; the gate of the port while it is found again.
  LinkHealth health;
};

}  // namespace bcr

#endif  // BCREADER_LINK_ENGINE_LINK_H
