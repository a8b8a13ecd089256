// The link's own access to the state of its port, for the code of src/link only: the port, the
// bytes read ahead, the guard of the write side, and what the port calls record.
#ifndef BCREADER_LINK_LINK_INTERNALS_H
#define BCREADER_LINK_LINK_INTERNALS_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "link/engine_link.h"

namespace bcr {

struct LinkInternals {
  static platform::Port *&Port(EngineLink &link) { return link.port_; }
  static std::atomic<uint32_t> &PortSpeed(EngineLink &link) { return link.portSpeed_; }
  static uint32_t PortSpeed(const EngineLink &link) { return link.portSpeed_; }
  static std::atomic<uint32_t> &LastError(EngineLink &link) { return link.lastError_; }
  static std::atomic<uint32_t> &Decoding(EngineLink &link) { return link.decoding_; }
  static std::vector<uint8_t> &Unread(EngineLink &link) { return link.unread_; }
  static std::mutex &WriteLock(EngineLink &link) { return link.writeLock_; }
};

}  // namespace bcr

#endif  // BCREADER_LINK_LINK_INTERNALS_H
