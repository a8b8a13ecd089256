#include "link/engine_link.h"

#include "link/serial_port.h"

namespace bcr {

void EngineLink::Initialise() {
  portNumber = 0;
  port = nullptr;
  portSpeed = 9600;
  deviceType = kNoEngine;
  lastError = 0;
  readWait = 0;
  writeWait = 0;
  decoding = 0;
}

void EngineLink::Close() {
  ClosePort(*this);
}

}  // namespace bcr
