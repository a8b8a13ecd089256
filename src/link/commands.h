// Start and stop decode. The link remembers which of the two it last sent successfully, and a
// repeated command is not sent.
#ifndef BCREADER_LINK_COMMANDS_H
#define BCREADER_LINK_COMMANDS_H

#include <cstdint>

#include "link/engine_link.h"

namespace bcr {

// on 1: start decode, 0: stop decode. 1 when done or already in that state. *replySeq (when not
// null) receives the place of the engine's answer among the frames read, or of the last frame
// read when nothing was sent: what the engine sends after it follows the command.
int SetDecoding(EngineLink &link, uint32_t on, uint64_t *replySeq = nullptr);

}  // namespace bcr

#endif  // BCREADER_LINK_COMMANDS_H
