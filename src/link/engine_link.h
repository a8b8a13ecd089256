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

// The state of the port (the port itself, the bytes read ahead and the guard of the write side) is
// the link's own: src/link reaches it through LinkInternals (link/link_internals.h).
class EngineLink {
 public:
  EngineLink() { Initialise(); }
  ~EngineLink() { Close(); }
  EngineLink(const EngineLink &) = delete;
  EngineLink &operator=(const EngineLink &) = delete;

  // Sets every field to its construction value. The port must be closed.
  void Initialise();
  // Purges and closes the port.
  void Close();
  // The line is busy: a frame is arriving (the line reader frees it when done with the frame).
  void SetFrameInFlight(bool inFlight) { line_.SetBusy(inFlight); }

  // The number n of the port "COM<n>:" OpenPort opens.
  uint32_t PortNumber() const { return portNumber_; }
  void SetPortNumber(uint32_t number) { portNumber_ = number; }
  // The kind of engine on the line; with kNoEngine no exchange touches the port.
  int32_t DeviceType() const { return deviceType_; }
  void SetDeviceType(int32_t type) { deviceType_ = type; }
  // Between OpenPort and ClosePort.
  bool IsOpen() const { return port_ != nullptr; }
  // The platform error of the last port call that failed.
  uint32_t LastError() const { return lastError_; }
  // True after a start decode the engine accepted, false after a stop decode.
  bool Decoding() const { return decoding_ == 1; }
  // The engine was lost and its port opened anew: the next start decode is sent even when the
  // last one was accepted.
  void ForgetDecoding() { decoding_ = 0; }

  // Whether the reader wants decodes: while it is switched off, what the engine sends is read and
  // dropped, and nothing of a decode is acknowledged.
  bool DecodesWanted() const { return decodesWanted_; }
  void SetDecodesWanted(bool wanted) { decodesWanted_ = wanted; }

  // The exchange lock: one exchange with the engine at a time (the rules are in
  // link/port_lock.h).
  PortLock &ExchangeLock() { return exchangeLock_; }
  // The decodes read off the line, on their way to whoever waits for one.
  DecodeRoad &Decodes() { return decodes_; }
  // The one reader of the line.
  LineReader &Line() { return line_; }
  // Whether the engine is still there; the gate of the port while it is found again.
  LinkHealth &Health() { return health_; }
  const LinkHealth &Health() const { return health_; }

 private:
  friend struct LinkInternals;

  uint32_t portNumber_ = 0;
  platform::Port *port_ = nullptr;  // null while closed
  // The speed last requested of SetPortSpeed, also when the port refused it.
  std::atomic<uint32_t> portSpeed_{9600};
  std::atomic<int32_t> deviceType_{kNoEngine};
  std::atomic<uint32_t> lastError_{0};
  std::atomic<uint32_t> decoding_{0};
  std::atomic<bool> decodesWanted_{true};
  PortLock exchangeLock_;
  // Bytes read off the port that no frame took yet, read again first (by one reader at a time).
  std::vector<uint8_t> unread_;
  // Guards the port's write side: any thread may write.
  std::mutex writeLock_;
  DecodeRoad decodes_;
  LineReader line_{*this};
  LinkHealth health_;
};

}  // namespace bcr

#endif  // BCREADER_LINK_ENGINE_LINK_H
