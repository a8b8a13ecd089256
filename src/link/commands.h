// Start and stop decode: the only exchanges that always run under the link lock. The link
// remembers which of the two it last sent successfully, and a repeated command is not sent.
#ifndef BCREADER_LINK_COMMANDS_H
#define BCREADER_LINK_COMMANDS_H

#include <cstdint>

#include "link/engine_link.h"

namespace bcr {

// on 1: start decode, 0: stop decode. 1 when done or already in that state.
int SetDecoding(EngineLink &link, uint32_t on);

}  // namespace bcr

#endif  // BCREADER_LINK_COMMANDS_H
