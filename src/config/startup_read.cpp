#include "config/startup_read.h"

namespace bcr {

// The parameter handlers arrive with the symbology configuration; until then there is nothing
// to read.
void ReadAllSettings(EngineLink &) {}

}  // namespace bcr
