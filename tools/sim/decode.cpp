#include "sim/decode.h"

#include <algorithm>
#include <cstdint>

namespace bcrsim {

namespace {

constexpr size_t kMaxFrame = 255;  // the length byte counts header and data
constexpr size_t kHeader = 4;      // length, opcode, source, status
constexpr uint8_t kMarker99 = 0x99;

// The data bytes of every packet, each packet's lead bytes (code type, marker...) put in front.
std::vector<Bytes> Bodies(Kind kind, const Decode &decode) {
  const Bytes &data = decode.data;
  if (decode.format == Format::Format99 && kind == Kind::SE955) {
    // Always one packet: whatever does not fit is not sent.
    Bytes body{kMarker99, decode.codeType, 0x00};
    const size_t room = kMaxFrame - kHeader - body.size();
    body.insert(body.end(), data.begin(), data.begin() + std::min(room, data.size()));
    return {body};
  }
  const bool imager99 = decode.format == Format::Format99;
  std::vector<Bytes> bodies;
  size_t at = 0;
  do {
    Bytes body;
    if (!imager99) {
      body = {decode.codeType};
    } else if (bodies.empty()) {
      body = {kMarker99, decode.codeType, 0x00, 0x00, 0x00, 0x00};
    } else {
      body = {0x00};
    }
    size_t take = kMaxFrame - kHeader - body.size();
    if (decode.packetData != 0) take = std::min(take, decode.packetData);
    take = std::min(take, data.size() - at);
    body.insert(body.end(), data.begin() + at, data.begin() + at + take);
    at += take;
    bodies.push_back(std::move(body));
  } while (at < data.size());
  return bodies;
}

}  // namespace

std::vector<Packet> DecodePackets(Kind kind, const Decode &decode) {
  std::vector<Packet> packets;
  if (!decode.strayBefore.empty()) packets.emplace_back(decode.strayBefore);

  const std::vector<Bytes> bodies = Bodies(kind, decode);
  size_t budget = decode.cutAfter.value_or(SIZE_MAX);
  for (size_t k = 0; k < bodies.size() && budget > 0; ++k) {
    const bool last = k + 1 == bodies.size();
    const uint8_t status = last && !decode.lastStatusNonZero ? 0x00 : kStatusMore;
    Bytes frame{static_cast<uint8_t>(kHeader + bodies[k].size()), kOpDecodeData, 0x00, status};
    frame.insert(frame.end(), bodies[k].begin(), bodies[k].end());
    if (k == 0 && decode.firstLength) frame[0] = *decode.firstLength;
    if (k > 0 && decode.laterLength) frame[0] = *decode.laterLength;
    frame = WithChecksum(std::move(frame));
    if (decode.badChecksumPacket && *decode.badChecksumPacket == k) frame.back() ^= 0x01;
    if (frame.size() > budget) frame.resize(budget);
    budget -= frame.size();
    packets.emplace_back(std::move(frame), decode.waitForAcks && !last && budget > 0);
  }
  return packets;
}

}  // namespace bcrsim
