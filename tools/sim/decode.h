// How a decode becomes packets on the wire, for each engine kind and format.
#ifndef BCRSIM_DECODE_H
#define BCRSIM_DECODE_H

#include <vector>

#include "sim/engine.h"
#include "sim/frames.h"

namespace bcrsim {

// The packets of a decode in sending order, checksums included: the stray bytes first (when
// given), then the frames, cut after decode.cutAfter frame bytes. Every frame but the last waits
// for the continuation acknowledgement unless decode.waitForAcks is false.
std::vector<Packet> DecodePackets(Kind kind, const Decode &decode);

}  // namespace bcrsim

#endif  // BCRSIM_DECODE_H
