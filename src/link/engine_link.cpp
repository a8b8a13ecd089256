#include "link/engine_link.h"

#include "link/serial_port.h"

namespace bcr {

void EngineLink::Initialise() {
  portNumber_ = 0;
  port_ = nullptr;
  portSpeed_ = 9600;
  deviceType_ = kNoEngine;
  lastError_ = 0;
  decoding_ = 0;
  decodesWanted_ = true;
}

void EngineLink::Close() {
  ClosePort(*this);
}

}  // namespace bcr
