#include "link/receiver.h"

#include <algorithm>

#include "link/frame.h"
#include "link/serial_port.h"
#include "link/transaction.h"
#include "platform/clock.h"

namespace bcr {

namespace {

// Bytes of a decode-data frame up to and including its first data byte: length, opcode,
// source, status, first data byte. A smaller length cannot hold the header it must cover.
constexpr uint32_t kDecodeHeaderBytes = 5;
// A reply counts at least its length, opcode, source and status.
constexpr uint32_t kReplyHeaderBytes = 4;
// Bytes a 4507 packet in the 0x99 format spends before its data: the code type and the four
// bytes after it in the first packet; length, opcode, source, status and one byte in the others.
constexpr uint32_t kImager99Skip = 5;
// Noise one reading skips before it reports the run; the line reader then reads on.
constexpr uint32_t kNoiseLimit = 4096;
// What the engine sends. A frame found behind noise carries one of these opcodes and the
// engine's source byte, and its checksum fits: noise that only looks like a frame is no frame.
constexpr uint8_t kEngineOpcodes[] = {kOpRevisionReply, kOpParamSend, kOpAck, kOpNak,
                                      kOpDecodeData};

bool IsEngineOpcode(uint8_t opcode) {
  return std::find(std::begin(kEngineOpcodes), std::end(kEngineOpcodes), opcode) !=
         std::end(kEngineOpcodes);
}

// Reads frames from the bytes read ahead and the port. A frame is tried from the first byte
// ahead; when that byte begins no frame (noise, a frame cut short, a wrong checksum), it is
// dropped and the frame tried again from the next one, so that a frame behind noise of any
// length is found. Only bytes the engine sent as one burst are tried again: once the line fell
// quiet behind them, no try reads past them. A try that wrote to the engine (a continuation
// acknowledgement) is never taken back.
class Receiver {
 public:
  Receiver(EngineLink &link, LineFrame &frame)
      : link_(link), frame_(frame), out_(frame.units), ahead_(link.Port().ReadAhead()) {}

  FrameKind Frame(uint32_t firstByteWait);

 private:
  FrameKind Try(uint32_t firstByteWait);
  bool BehindNoise() const { return frame_.skipped > 0; }

  // Every byte read counts towards the checksum of the packet being read.
  bool Read(uint8_t &byte) {
    if (pos_ < ahead_.size()) {
      byte = ahead_[pos_++];
    } else if ((quiet_ && !written_) || link_.Port().ReadByte(&byte, wait_) != ByteRead::kGot) {
      quiet_ = true;
      return false;
    } else {
      ahead_.push_back(byte);
      ++pos_;
    }
    sum_ = static_cast<uint16_t>(sum_ + byte);
    return true;
  }
  void BeginPacket() { sum_ = 0; }
  // Reads the packet's two checksum bytes; true when they complete its sum to zero.
  bool ChecksumFits() {
    const uint16_t sum = sum_;
    uint8_t high, low;
    if (!Read(high) || !Read(low)) return false;
    checksumRead_ = true;
    return static_cast<uint16_t>(sum + ((high << 8) | low)) == 0;
  }
  FrameKind Checked(FrameKind kind) {
    if (ChecksumFits()) return kind;
    return checksumRead_ ? FrameKind::kBadChecksum : FrameKind::kBroken;
  }
  bool ReadAppend() {
    uint8_t byte;
    if (!Read(byte)) return false;
    out_.push_back(byte);
    return true;
  }
  bool ReadAppend(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
      if (!ReadAppend()) return false;
    }
    return true;
  }
  bool Skip(uint32_t count) {
    uint8_t byte;
    for (uint32_t i = 0; i < count; ++i) {
      if (!Read(byte)) return false;
    }
    return true;
  }
  void ReadTimeout(uint32_t ms) { wait_ = ms; }
  // A reader switched off writes nothing to the engine: the decode is read, not acknowledged.
  bool AckContinuation() {
    written_ = true;
    if (!link_.DecodesWanted()) return true;
    return SendOnly(link_, ContinuationAckFrame(), kContinuationAckTimeout) == Written::kWritten;
  }
  void Wake() {
    written_ = true;
    if (link_.DecodesWanted()) WakeEngine(link_);
  }
  bool TooLong() const { return out_.size() > kMaxDecodeUnits; }
  // The last count bytes read begin another frame: they are read again as what they are.
  FrameKind Abandon(size_t count) {
    end_ = pos_ - count;
    return FrameKind::kAbandoned;
  }

  FrameKind Reply(uint8_t length, uint8_t opcode);
  FrameKind DecodeData(uint8_t length);
  FrameKind SE955Format99(uint32_t remaining);
  FrameKind Imager99(uint32_t remaining);
  FrameKind Plain(uint8_t status, uint32_t remaining);
  FrameKind PlainContinuation();

  EngineLink &link_;
  LineFrame &frame_;
  std::vector<uint8_t> &out_;
  // Bytes read off the port and not yet taken by a frame; a try reads them first.
  std::vector<uint8_t> &ahead_;
  size_t pos_ = 0;  // of the try in ahead_
  size_t end_ = 0;  // where the frame the try found ends in ahead_
  uint32_t wait_ = 0;
  uint16_t sum_ = 0;
  bool checksumRead_ = false;
  bool written_ = false;  // the try wrote to the engine
  // The line fell quiet behind the bytes ahead: until the try writes to the engine, it reads
  // nothing more off the port.
  bool quiet_ = false;
};

FrameKind Receiver::Frame(uint32_t firstByteWait) {
  FrameKind first = FrameKind::kQuiet;
  std::vector<uint8_t> firstUnits;
  for (;;) {
    // Noise, then a quiet line: the noise was all.
    if (BehindNoise() && ahead_.empty() && quiet_) break;
    pos_ = 0;
    checksumRead_ = false;
    written_ = false;
    out_.clear();
    const FrameKind kind = Try(BehindNoise() ? kReplyByteTimeout : firstByteWait);
    const bool tryAgain =
        (kind == FrameKind::kBroken || kind == FrameKind::kBadChecksum) && !written_ && pos_ > 0;
    if (!tryAgain) {
      if (kind == FrameKind::kQuiet && BehindNoise()) break;
      if (kind != FrameKind::kAbandoned) end_ = pos_;
      ahead_.erase(ahead_.begin(), ahead_.begin() + static_cast<std::ptrdiff_t>(end_));
      return kind;
    }
    if (!BehindNoise()) {
      first = kind;
      firstUnits = out_;
    }
    ahead_.erase(ahead_.begin());
    if (++frame_.skipped >= kNoiseLimit) break;
  }
  // Nothing but noise: reported as what the first try made of it.
  out_ = std::move(firstUnits);
  return first;
}

FrameKind Receiver::Try(uint32_t firstByteWait) {
  ReadTimeout(firstByteWait);
  BeginPacket();
  uint8_t length;
  if (!Read(length)) return PortBarred(link_.Health()) ? FrameKind::kFailed : FrameKind::kQuiet;
  if (frame_.firstByteMs == 0) {
    frame_.firstByteMs = platform::NowMs();
    link_.SetFrameInFlight(true);
  }
  ReadTimeout(kReplyByteTimeout);
  uint8_t opcode;
  if (!Read(opcode)) return FrameKind::kBroken;
  if (BehindNoise() && !IsEngineOpcode(opcode)) return FrameKind::kBroken;
  if (opcode == kOpDecodeData) {
    link_.Decodes().SetArriving(true);
    return DecodeData(length);
  }
  return Reply(length, opcode);
}

FrameKind Receiver::Reply(uint8_t length, uint8_t opcode) {
  if (length < kReplyHeaderBytes) return FrameKind::kBroken;
  out_.push_back(length);
  out_.push_back(opcode);
  if (!ReadAppend()) return FrameKind::kBroken;
  if (BehindNoise() && out_.back() != kSourceEngine) return FrameKind::kBroken;
  if (!ReadAppend(length - 3u)) return FrameKind::kBroken;
  return Checked(FrameKind::kReply);
}

FrameKind Receiver::DecodeData(uint8_t length) {
  uint32_t remaining = length;
  if (remaining < kDecodeHeaderBytes) return FrameKind::kBroken;
  uint8_t source, status, first;
  if (!Read(source)) return FrameKind::kBroken;
  if (BehindNoise() && source != kSourceEngine) return FrameKind::kBroken;
  if (!Read(status) || !Read(first)) return FrameKind::kBroken;
  remaining -= kDecodeHeaderBytes;
  if (first == kFormat99Marker) {
    return link_.DeviceType() == kEngineSE955 ? SE955Format99(remaining) : Imager99(remaining);
  }
  out_.push_back(first);
  return Plain(status, remaining);
}

// 0x99 t x data..., where every 0x00 in the data starts a three-byte group that is dropped.
// One packet, no acknowledgement.
FrameKind Receiver::SE955Format99(uint32_t remaining) {
  if (remaining < 2) return FrameKind::kBroken;
  uint8_t type;
  if (!Read(type)) return FrameKind::kBroken;
  out_.push_back(type);
  if (!Skip(1)) return FrameKind::kBroken;
  remaining -= 2;
  while (remaining > 0) {
    uint8_t byte;
    if (!Read(byte)) return FrameKind::kBroken;
    --remaining;
    if (byte != 0x00) {
      out_.push_back(byte);
      continue;
    }
    // The group never reaches past the frame's own count.
    uint32_t group = remaining < 2 ? remaining : 2;
    if (!Skip(group)) return FrameKind::kBroken;
    remaining -= group;
  }
  return Checked(FrameKind::kDecode);
}

// 0x99 t b b b b data... in the first packet, then packets L op src S x data... until one with
// status 0x00, each but that one acknowledged; the first is acknowledged whatever its status.
FrameKind Receiver::Imager99(uint32_t remaining) {
  if (remaining < kImager99Skip) return FrameKind::kBroken;
  if (!ReadAppend() || !Skip(4)) return FrameKind::kBroken;
  if (!ReadAppend(remaining - kImager99Skip)) return FrameKind::kBroken;
  FrameKind first = Checked(FrameKind::kDecode);
  if (first != FrameKind::kDecode) return first;
  Wake();
  if (!AckContinuation()) return FrameKind::kFailed;
  ReadTimeout(kImagerPacketTimeout);
  for (;;) {
    BeginPacket();
    uint8_t length;
    if (!Read(length)) return FrameKind::kDecode;
    // A packet too short for its own header is a broken decode, not its end.
    if (length < kImager99Skip) return FrameKind::kBroken;
    uint8_t opcode, source, status;
    if (!Read(opcode) || !Read(source) || !Read(status) || !Skip(1)) return FrameKind::kBroken;
    if (!ReadAppend(length - kImager99Skip)) return FrameKind::kBroken;
    if (TooLong()) return FrameKind::kBroken;
    FrameKind packet = Checked(FrameKind::kDecode);
    if (packet != FrameKind::kDecode || status == 0x00) return packet;
    if (!AckContinuation()) return FrameKind::kFailed;
  }
}

FrameKind Receiver::Plain(uint8_t status, uint32_t remaining) {
  if (!ReadAppend(remaining)) return FrameKind::kBroken;
  FrameKind first = Checked(FrameKind::kDecode);
  if (first != FrameKind::kDecode || status != kStatusMorePackets) return first;
  if (link_.DeviceType() == kEngineSE955) Wake();
  AckContinuation();
  return PlainContinuation();
}

// Packets L F3 src status x data...; each packet is acknowledged, whatever the send gives; the
// decode ends with the packet that announces no more (status other than 0x02), or when no further
// packet begins within kNextPacketTimeout. A packet cut short or with a wrong checksum fails the
// decode: what arrived of it is never delivered as the whole. A decode the engine scans next is
// never read as a part of it.
// Another frame where the next packet belongs (the engine gave the decode up for a command that
// crossed it on the line) leaves the decode incomplete: nothing of it is delivered, and the frame
// is read again as what it is.
FrameKind Receiver::PlainContinuation() {
  const uint32_t byteWait =
      link_.DeviceType() == kEngineSE955 ? kReplyByteTimeout : kImagerPacketTimeout;
  for (;;) {
    BeginPacket();
    uint8_t length, opcode, source, status, dropped;
    ReadTimeout(kNextPacketTimeout);
    if (!Read(length)) return FrameKind::kDecode;
    ReadTimeout(byteWait);
    if (length < kDecodeHeaderBytes) return Abandon(1);
    if (!Read(opcode)) return FrameKind::kBroken;
    if (opcode != kOpDecodeData) return Abandon(2);
    if (!Read(source) || !Read(status) || !Read(dropped)) return FrameKind::kBroken;
    if (!ReadAppend(length - kDecodeHeaderBytes)) return FrameKind::kBroken;
    if (TooLong()) return FrameKind::kBroken;
    const uint16_t sum = sum_;
    uint8_t high, low;
    if (!Read(high) || !Read(low)) return FrameKind::kBroken;
    if (static_cast<uint16_t>(sum + ((high << 8) | low)) != 0) return FrameKind::kBadChecksum;
    AckContinuation();
    if (status != kStatusMorePackets) return FrameKind::kDecode;
  }
}

}  // namespace

bool IsNegativeAck(const std::vector<uint8_t> &reply) {
  return reply.size() > 4 && reply[0] == 0x05 && reply[1] == kOpNak && reply[2] == 0x00 &&
         reply[3] == 0x00;
}

LineFrame ReadFrame(EngineLink &link, uint32_t firstByteWait) {
  LineFrame frame;
  if (!IsKnownEngine(link.DeviceType())) return frame;
  Receiver receiver(link, frame);
  frame.kind = receiver.Frame(firstByteWait);
  return frame;
}

}  // namespace bcr
