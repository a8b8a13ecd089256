// EngineLink: the serial link to the scan engine, one per process inside the reader object.
#ifndef BCREADER_LINK_ENGINE_LINK_H
#define BCREADER_LINK_ENGINE_LINK_H

#include <atomic>
#include <cstdint>

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

// A point in the input stream (see InputMark) that the port could not tell.
constexpr uint64_t kNoInputMark = ~uint64_t{0};

struct EngineLink {
  EngineLink() { Initialise(); }
  ~EngineLink() { Close(); }
  EngineLink(const EngineLink &) = delete;
  EngineLink &operator=(const EngineLink &) = delete;

  // Sets every field to its construction value. The port must be closed.
  void Initialise();
  // Purges and closes the port.
  void Close();

  uint32_t portNumber = 0;
  platform::Port *port = nullptr;  // null while closed
  // Longest wait for the first byte of a decode-data frame, in ms.
  std::atomic<uint32_t> transferWait{3000};
  // The speed last requested of SetPortSpeed, also when the port refused it.
  std::atomic<uint32_t> portSpeed{9600};
  std::atomic<int32_t> deviceType{kNoEngine};
  // The platform error of the last port call that failed.
  std::atomic<uint32_t> lastError{0};
  // 1 after a start decode the engine accepted, 0 after a stop decode.
  std::atomic<uint32_t> decoding{0};
  // The link lock: whoever uses the port holds it (the rules are in link/port_lock.h).
  PortLock portLock;
  // Times a trigger-started reception found data in the input that had arrived while no
  // reception was listening, and discarded them; and the bytes so discarded.
  std::atomic<uint32_t> staleDiscards{0};
  // Bytes read from the port so far; a reception tells by it whether a failed frame had begun.
  std::atomic<uint32_t> bytesRead{0};
  // Purges of the input so far (each takes with it whatever was waiting).
  std::atomic<uint32_t> inputPurges{0};
  // The input mark (see InputMark) of the first trigger press that no reception has served yet,
  // kNoInputMark when there is none or the port was busy at the press.
  std::atomic<uint64_t> pressMark{kNoInputMark};
  // Exchanges whose every attempt met silence (not one byte came back).
  std::atomic<uint32_t> unanswered{0};
  std::atomic<uint32_t> staleBytes{0};
  // Whether the engine is still there; the gate of the port while it is found again.
  LinkHealth health;
  // Option 6 of the one-dimensional engine's user preferences: kept here, never sent.
  std::atomic<int32_t> libraryKeptValue{0};
};

}  // namespace bcr

#endif  // BCREADER_LINK_ENGINE_LINK_H
