// Start and stop decode: the only exchanges that always run under the link lock. The link
// remembers which of the two it last sent successfully, and a repeated command is not sent.
#ifndef BCREADER_LINK_COMMANDS_H
#define BCREADER_LINK_COMMANDS_H

#include <cstdint>

#include "link/engine_link.h"

namespace bcr {

class Reader;

// on 1: start decode, 0: stop decode. 1 when done or already in that state.
int SetDecoding(EngineLink &link, uint32_t on);
// SetDecoding's result ANDed with enable; 0 without sending when enable is 0 or the reader is
// not active.
int StartDecode(Reader &reader, uint32_t enable);
int StopDecode(Reader &reader, uint32_t enable);

}  // namespace bcr

#endif  // BCREADER_LINK_COMMANDS_H
