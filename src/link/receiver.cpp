#include "link/receiver.h"

#include "link/frame.h"
#include "link/serial_port.h"
#include "link/transaction.h"

namespace bcr {

namespace {

// Bytes of a decode-data frame up to and including its first data byte: length, opcode,
// source, status, first data byte. A smaller length cannot hold the header it must cover.
constexpr uint32_t kDecodeHeaderBytes = 5;
// Bytes a 4507 packet in the 0x99 format spends before its data: the code type and the four
// bytes after it in the first packet; length, opcode, source, status and one byte in the others.
constexpr uint32_t kImager99Skip = 5;

class Receiver {
 public:
  Receiver(EngineLink &link, WString &out) : link_(link), out_(out) {}

  int Reply(uint32_t wait);
  int DecodeData(uint32_t wait);

 private:
  // Every byte read counts towards the checksum of the packet being read.
  bool Read(uint8_t &byte) {
    if (ReadPortByte(link_, &byte) != 1) return false;
    sum_ = static_cast<uint16_t>(sum_ + byte);
    return true;
  }
  void BeginPacket() { sum_ = 0; }
  // Reads the packet's two checksum bytes; true when they complete its sum to zero.
  bool ChecksumFits() {
    uint8_t high, low;
    if (ReadPortByte(link_, &high) != 1 || ReadPortByte(link_, &low) != 1) return false;
    return static_cast<uint16_t>(sum_ + ((high << 8) | low)) == 0;
  }
  void InFlight() { link_.portLock.SetFrameInFlight(true); }
  bool ReadAppend() {
    uint8_t byte;
    if (!Read(byte)) return false;
    out_.AppendUnit(byte);
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
  void ReadTimeout(uint32_t ms) { SetPortTimeout(link_, ms, 'r'); }
  int AckContinuation() {
    WString ack = ContinuationAckFrame();
    return SendAndWait(link_, ack, kContinuationAckTimeout, nullptr, 1);
  }
  bool TooLong() const { return out_.Size() > kMaxDecodeUnits; }

  int SE955Format99(uint32_t remaining);
  int Imager99(uint32_t remaining);
  int Plain(uint8_t status, uint32_t remaining);
  int PlainContinuation();

  EngineLink &link_;
  WString &out_;
  uint16_t sum_ = 0;
};

int Receiver::Reply(uint32_t wait) {
  ReadTimeout(wait);
  BeginPacket();
  uint8_t length;
  if (!Read(length)) return 0;
  ReadTimeout(kReplyByteTimeout);
  out_.AppendUnit(length);
  // A length of 0 cannot even cover itself.
  if (length == 0) return 0;
  if (!ReadAppend(length - 1u)) return 0;
  // A reply with a wrong checksum counts as no reply.
  return ChecksumFits() ? 1 : 0;
}

int Receiver::DecodeData(uint32_t wait) {
  ReadTimeout(wait);
  BeginPacket();
  uint8_t length, opcode;
  if (!Read(length)) return 0;
  InFlight();
  if (!Read(opcode)) return 0;
  uint32_t remaining = length;
  if (opcode == kOpDecodeData) {
    ReadTimeout(kReplyByteTimeout);
  } else {
    // The first two bytes were left over from an earlier frame: the frame starts at the third.
    uint8_t third, fourth;
    BeginPacket();
    if (!Read(third)) return 0;
    remaining = third;
    ReadTimeout(kReplyByteTimeout);
    if (!Read(fourth) || fourth != kOpDecodeData) return 0;
  }
  if (remaining < kDecodeHeaderBytes) return 0;
  uint8_t source, status;
  Read(source);
  Read(status);
  remaining -= 4;
  uint8_t first;
  if (!Read(first)) return 0;
  remaining -= 1;
  if (first == kFormat99Marker) {
    return link_.deviceType == kEngineSE955 ? SE955Format99(remaining) : Imager99(remaining);
  }
  out_.AppendUnit(first);
  return Plain(status, remaining);
}

// 0x99 t x data..., where every 0x00 in the data starts a three-byte group that is dropped.
// One packet, no acknowledgement.
int Receiver::SE955Format99(uint32_t remaining) {
  if (remaining < 2) return 0;
  uint8_t type;
  if (!Read(type)) return 0;
  out_.AppendUnit(type);
  Skip(1);
  remaining -= 2;
  while (remaining > 0) {
    uint8_t byte;
    Read(byte);  // a byte that does not come counts as 0x00
    --remaining;
    if (byte != 0x00) {
      out_.AppendUnit(byte);
      continue;
    }
    // The group never reaches past the frame's own count.
    uint32_t group = remaining < 2 ? remaining : 2;
    Skip(group);
    remaining -= group;
  }
  return ChecksumFits() ? 1 : 0;
}

// 0x99 t b b b b data... in the first packet, then packets L op src S x data... until one with
// status 0x00, each but that one acknowledged; the first is acknowledged whatever its status.
int Receiver::Imager99(uint32_t remaining) {
  if (remaining < kImager99Skip) return 0;
  if (!ReadAppend()) return 0;
  if (!Skip(4)) return 0;
  if (!ReadAppend(remaining - kImager99Skip)) return 0;
  if (!ChecksumFits()) return 0;
  WakeEngine(link_);
  if (!AckContinuation()) return 0;
  ReadTimeout(kImagerPacketTimeout);
  for (;;) {
    BeginPacket();
    uint8_t length;
    if (!Read(length)) return 1;
    // A packet too short for its own header is a broken decode, not its end.
    if (length < kImager99Skip) return 0;
    uint8_t opcode, source, status;
    if (!Read(opcode) || !Read(source) || !Read(status) || !Skip(1)) return 0;
    if (!ReadAppend(length - kImager99Skip)) return 0;
    if (TooLong() || !ChecksumFits()) return 0;
    if (status == 0x00) return 1;
    if (!AckContinuation()) return 0;
  }
}

int Receiver::Plain(uint8_t status, uint32_t remaining) {
  if (!ReadAppend(remaining)) return 0;
  if (!ChecksumFits()) return 0;
  if (status != kStatusMorePackets) return 1;
  if (link_.deviceType == kEngineSE955) {
    WakeEngine(link_);
    AckContinuation();
  } else {
    AckContinuation();
    ReadTimeout(kImagerPacketTimeout);
  }
  return PlainContinuation();
}

// Packets L F3 src status x data...; any byte that does not come ends the decode with what has
// arrived, a packet with a wrong checksum fails it. Each packet is acknowledged, whatever the
// send gives.
int Receiver::PlainContinuation() {
  for (;;) {
    BeginPacket();
    uint8_t length, opcode, source, status, dropped;
    if (!Read(length)) return 1;
    if (length < kDecodeHeaderBytes) return 1;
    if (!Read(opcode) || opcode != kOpDecodeData) return 1;
    Read(source);
    Read(status);
    if (!Read(dropped)) return 1;
    bool whole = ReadAppend(length - kDecodeHeaderBytes);
    if (TooLong()) return 0;
    if (!whole) return 1;
    uint8_t high, low;
    if (ReadPortByte(link_, &high) != 1) return 1;
    if (ReadPortByte(link_, &low) != 1) return 1;
    if (static_cast<uint16_t>(sum_ + ((high << 8) | low)) != 0) return 0;
    AckContinuation();
  }
}

}  // namespace

int ReceiveFrame(EngineLink &link, WString &out, uint32_t firstByteWait, int mode) {
  out.AssignNarrow("");
  if (!IsKnownEngine(link.deviceType)) return 0;
  Receiver receiver(link, out);
  return mode == kReplyMode ? receiver.Reply(firstByteWait) : receiver.DecodeData(firstByteWait);
}

}  // namespace bcr
