#include "link/engine_link.h"

namespace bcr {

void EngineLink::Initialise() {
  portNumber_ = 0;
  port_.Reset();
  deviceType_ = kNoEngine;
  decoding_ = false;
  decodesWanted_ = true;
}

bool EngineLink::Open() {
  if (!port_.Open(portNumber_)) return false;
  line_.Start();
  return true;
}

void EngineLink::Close() {
  line_.Stop();
  port_.Close();
  line_.SetBusy(false);  // what was read ahead went with the port
}

}  // namespace bcr
