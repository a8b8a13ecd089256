// The engine simulator: plays an SE955 or a 4507 scan engine on the master side of a real
// pseudo-terminal, so that the library, opening the slave side as its serial port, talks to it
// exactly as to a terminal's engine.
//
// It is an independent engine: frames, checksums and tables here are its own and share no code
// with the library under test.
//
// Behaviour:
// - It runs at its own speed. It reads the speed the library set on the slave side with
//   tcgetattr on the master; bytes that arrive while that speed differs from its own are garbage
//   to it (dropped, counted in GarbageBytes()), and it answers nothing then.
// - Everything it sends is paced at its speed: a packet is written at once, then its wire time
//   (10 bits per byte) passes before the next. A packet due while the line runs at another speed
//   arrives as a UART at that speed would read it: about line-speed / engine-speed bytes per byte
//   (rounded; at least one per packet), each 0xC0 or more and most with only a few low bits clear
//   (0xFF, 0xFE, 0xF8, ...), the same bytes for the same packet, and never a frame; its wire time
//   at the engine's speed passes as for the packet itself (a line whose speed cannot be read
//   gets nothing). A decode that waits for a continuation acknowledgement then gets none and
//   gives up after 2 s. The continuation acknowledgement of a packet shows that the host has read
//   it, so the next packet of the decode goes at once.
// - Frames it accepts: L op src status data... checksum(hi, lo). A zero byte between frames is
//   the wake byte and is skipped. A frame with a wrong checksum is answered with NAK 05 D1 00 00
//   01. It answers:
//     A3 revision request  -> revision reply (Revision(), or the engine kind's default)
//     C7 parameter request -> L C6 00 00 FF (number value)... from its parameter store
//     C6 parameter send    -> 04 D0 00 00, store updated; parameter 0x9C moves it to a new
//                             speed after the acknowledgement (08: 38400, 0B: 115200, else 9600)
//     E4 / E5 start / stop -> 04 D0 00 00; a decode queued with OnStartDecode() follows E4
//     D0 acknowledgement   -> no answer; 04 D0 04 03 releases the next packet of a decode
//     any other opcode, or a frame shorter than its 4-byte header -> no answer
//   Answers (NAKs included) are queued behind whatever is still being sent. A command (any
//   frame but D0) that arrives while a decode waits for a continuation acknowledgement ends
//   that decode, as a real engine gives up a transfer the host has turned away from; one that
//   began to arrive before the packet had gone out whole crossed it on the line and does not
//   (its answer follows the decode). A NAKed
//   command has no effect (no parameter stored, no speed change, no queued decode started).
// - Every byte received at its speed is recorded (Received()), and every whole frame it parsed
//   (Frames(), checksum included, wake bytes excluded).
// - Power: a power cycle makes it deaf and dumb for a pause (bytes arriving are lost, queued
//   output is dropped), after which it comes back as new: at 9600 with its factory parameter
//   store. A re-plug also takes its line away: the pseudo-terminal is closed (the host's reads
//   fail as on a hung-up line), the link is removed, and after the pause a new pseudo-terminal is
//   opened and the link points at it.
#ifndef BCRSIM_ENGINE_H
#define BCRSIM_ENGINE_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bcrsim {

using Bytes = std::vector<uint8_t>;

enum class Kind { SE955, Imager4507 };

// How a decode is framed on the wire.
enum class Format {
  Plain,     // L F3 00 S type data...; continuation packets L F3 00 S x data... (x is dropped)
  Format99,  // the 0x99 format of the engine kind (see SendDecode)
};

struct Decode {
  uint8_t codeType = 0x01;
  Bytes data;
  Format format = Format::Plain;
  // Data bytes per packet; 0 puts everything in one packet. More than one packet makes every
  // packet but the last carry status 0x02 (Plain) or a non-zero status (4507 Format99), and the
  // engine waits for the continuation acknowledgement 04 D0 04 03 before the next packet.
  size_t packetData = 0;
  // A packet holds at most 255 bytes before its checksum: longer data are split as needed even
  // with packetData 0 (except in the SE955 Format99, always one packet: the excess is not sent).
  // Faults of this decode.
  Bytes strayBefore;                   // bytes sent (as their own packet) before the first frame
  std::optional<size_t> cutAfter;      // stop after this many frame bytes (checksums included,
                                       // strayBefore not counted)
  std::optional<uint8_t> firstLength;  // replace the first packet's length byte
  std::optional<uint8_t> laterLength;  // replace every continuation packet's length byte
  std::optional<uint8_t> laterOpcode;  // replace every continuation packet's opcode
  bool lastStatusNonZero = false;      // the last packet keeps status 0x02 ("more follow")
  std::optional<size_t> badChecksumPacket;  // this packet (0 = first) carries a wrong checksum
  bool waitForAcks = true;                  // false: send every packet without waiting (a decode
                                            // waiting for an acknowledgement gives up after 2 s)
};

class Engine {
 public:
  class Builder {
   public:
    explicit Builder(Kind kind);
    Builder &Speed(uint32_t bitsPerSecond);  // default 9600
    Builder &Revision(Bytes reply);          // whole reply frame without checksum
    Builder &Silent(bool silent = true);
    Builder &NakAll(bool nak = true);
    // A symlink to the pseudo-terminal (an existing symlink there is replaced).
    Builder &Link(std::string path);
    // Pace everything sent at the speed (default). Off: write at once (for stress tests).
    Builder &Paced(bool paced);
    // nullptr when no pseudo-terminal could be made, the speed has no line-settings constant or
    // the link could not be made. The slave side starts in raw mode at the engine's speed.
    std::unique_ptr<Engine> Start();

   private:
    friend class Engine;
    Kind kind_;
    uint32_t speed_ = 9600;
    std::optional<Bytes> revision_;
    bool silent_ = false;
    bool nakAll_ = false;
    bool paced_ = true;
    std::string link_;
  };

  static Builder SE955() { return Builder(Kind::SE955); }
  static Builder Imager4507() { return Builder(Kind::Imager4507); }

  ~Engine();  // stops the engine thread, closes the pseudo-terminal, removes the link
  Engine(const Engine &) = delete;
  Engine &operator=(const Engine &) = delete;

  Kind EngineKind() const;
  std::string Path() const;               // the slave device the library opens (new after Replug)
  uint32_t Speed() const;                 // the engine's own current speed
  void SetSpeed(uint32_t bitsPerSecond);  // also stores its code in parameter 0x9C

  // Faults.
  void SetSilent(bool silent);  // answer nothing at all (Send and SendDecode still go out)
  void SetNakAll(bool nak);     // answer every frame with 05 D1 00 00 01
  void NakNext(int count);      // the next count answers are 05 D1 00 00 01
  void SetReplyDelay(int ms);   // wait before each answer (default 0)
  // Wait after a continuation acknowledgement before the next packet (default 0: at once).
  void SetPacketDelay(int ms);
  void SetRevision(Bytes reply);

  // Power. Both return at once; the engine is back after offMs.
  // Off for offMs, then on at 9600 with the factory parameter store, on the same line (a host
  // port still at another speed then reads what the engine sends as garbage).
  void PowerCycle(int offMs);
  // The line goes away with the power: the pseudo-terminal closes now (a host reading it sees a
  // hang-up); after offMs a new one opens at 9600, the link (when made) pointing at it.
  void Replug(int offMs);
  // Whether the engine is on and on a line; PowerCycles() counts completed power-ups after a
  // cycle or a re-plug.
  bool PoweredOn() const;
  size_t PowerCycles() const;
  // Blocks until the engine is on again (or timeoutMs passed).
  bool WaitPoweredOn(int timeoutMs) const;

  // Output. Both return at once; the engine thread does the sending.
  // Writes the bytes as one packet at the engine's speed.
  void Send(Bytes bytes);
  // Sends a decode:
  //   Plain: packet 1 = L F3 00 S type data[..]; packet k>1 = L F3 00 S type data[..].
  //   Format99 on the SE955: one packet L F3 00 00 99 type 00 data..., where data may hold
  //     00 p q groups that the library drops (give them in data yourself).
  //   Format99 on the 4507: packet 1 = L F3 00 S 99 type 00 00 00 00 data[..];
  //     packet k>1 = L F3 00 S 00 data[..]; the last packet has status 00, the others 02.
  void SendDecode(Decode decode);
  // Queue a decode that is sent right after the acknowledgement of the next start decode.
  void OnStartDecode(Decode decode);
  // Decodes queued with OnStartDecode that no start decode has released yet.
  size_t PendingOnStart() const;
  // Blocks until everything queued has been sent and its wire time has passed (or timeoutMs
  // passed). True when idle. Decodes held for OnStartDecode do not count until started.
  bool WaitIdle(int timeoutMs);

  // Record.
  Bytes Received() const;             // every byte received at the engine's speed
  std::vector<Bytes> Frames() const;  // every frame parsed, checksum included
  // When each frame of Frames() had come whole, in the same order.
  std::vector<std::chrono::steady_clock::time_point> FrameTimes() const;
  size_t GarbageBytes() const;      // bytes received at a foreign speed
  size_t ContinuationAcks() const;  // 04 D0 04 03 frames received
  // The data of every decode the engine gave up before its last packet: a command turned the
  // host away from it, or no continuation acknowledgement came within 2 s.
  std::vector<Bytes> GivenUp() const;
  // When the last packet the engine sent had gone out whole (its last byte written).
  std::chrono::steady_clock::time_point LastWriteAt() const;
  void ClearRecord();
  // Blocks until at least count frames have been recorded or timeoutMs passed.
  bool WaitForFrames(size_t count, int timeoutMs) const;

  // Parameter store (one-byte parameters by number; extended numbers as (prefix << 8) | n,
  // word parameters as 0xF4xxxx). Each kind starts with its own factory values for every
  // parameter the library's option functions touch (sim/params.cpp) and 0x9C holding the speed
  // code; a request for a number the store lacks is answered with value 0.
  std::optional<uint32_t> Param(uint32_t number) const;
  void SetParam(uint32_t number, uint32_t value);
  // Fault: replies to parameter requests leave this number (and its value) out, as an engine
  // that does not know the parameter. Sends still store it.
  void OmitParamFromReplies(uint32_t number);

 private:
  struct Impl;
  explicit Engine(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Checksum as the engine computes it: two's complement of the 16-bit byte sum, high byte first.
Bytes WithChecksum(Bytes frame);

}  // namespace bcrsim

#endif  // BCRSIM_ENGINE_H
