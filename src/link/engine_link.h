// EngineLink: the serial link to the scan engine, one per process inside the reader object.
#ifndef BCREADER_LINK_ENGINE_LINK_H
#define BCREADER_LINK_ENGINE_LINK_H

#include <atomic>
#include <cstdint>

#include "link/decode_road.h"
#include "link/line_reader.h"
#include "link/link_health.h"
#include "link/port_lock.h"
#include "link/serial_port.h"

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

// The link owns its port (link/serial_port.h), the one reader of its line and the road of its
// decodes.
class EngineLink {
 public:
  EngineLink() { Initialise(); }
  ~EngineLink() { Close(); }
  EngineLink(const EngineLink &) = delete;
  EngineLink &operator=(const EngineLink &) = delete;

  // Sets every field to its construction value. The port must be closed.
  void Initialise();
  // Opens the port "COM<n>:" of PortNumber and starts the line reader; the speed is not set.
  bool Open();
  // Stops the line reader, then purges and closes the port; a closed link is left as it is.
  void Close();
  // The line is busy: a frame is arriving (the line reader frees it when done with the frame).
  void SetFrameInFlight(bool inFlight) { line_.SetBusy(inFlight); }

  // The number n of the port "COM<n>:" Open opens.
  uint32_t PortNumber() const { return portNumber_; }
  void SetPortNumber(uint32_t number) { portNumber_ = number; }
  // The kind of engine on the line; with kNoEngine no exchange touches the port.
  int32_t DeviceType() const { return deviceType_; }
  void SetDeviceType(int32_t type) { deviceType_ = type; }
  // Between Open and Close.
  bool IsOpen() const { return port_.IsOpen(); }
  // True after a start decode the engine accepted, false after a stop decode.
  bool Decoding() const { return decoding_; }
  void NoteDecoding(bool on) { decoding_ = on; }
  // The engine was lost and its port opened anew: the next start decode is sent even when the
  // last one was accepted.
  void ForgetDecoding() { decoding_ = false; }

  // Whether the reader wants decodes: while it is switched off, what the engine sends is read and
  // dropped, and nothing of a decode is acknowledged.
  bool DecodesWanted() const { return decodesWanted_; }
  void SetDecodesWanted(bool wanted) { decodesWanted_ = wanted; }

  // The engine's port.
  SerialPort &Port() { return port_; }
  const SerialPort &Port() const { return port_; }
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
  uint32_t portNumber_ = 0;
  std::atomic<int32_t> deviceType_{kNoEngine};
  std::atomic<bool> decoding_{false};
  std::atomic<bool> decodesWanted_{true};
  PortLock exchangeLock_;
  // Before the port, which reports to it.
  LinkHealth health_;
  SerialPort port_{health_};
  DecodeRoad decodes_;
  LineReader line_{*this};
};

}  // namespace bcr

#endif  // BCREADER_LINK_ENGINE_LINK_H
