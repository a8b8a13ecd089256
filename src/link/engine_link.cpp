#include "link/engine_link.h"

#include "link/serial_port.h"

namespace bcr {

void EngineLink::Initialise() {
  portNumber = 0;
  port = nullptr;
  transferWait = 3000;
  portSpeed = 9600;
  deviceType = kNoEngine;
  lastError = 0;
  decoding = 0;
  libraryKeptValue = 0;
  exchangesWaiting = 0;
  lock = platform::SemaphoreCreate(1, 1);
}

void EngineLink::Close() {
  ClosePort(*this);
  if (lock != nullptr) {
    platform::SemaphoreClose(lock);
    lock = nullptr;
  }
}

}  // namespace bcr
