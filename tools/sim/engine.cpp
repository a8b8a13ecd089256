#include "sim/engine.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include "sim/decode.h"
#include "sim/frames.h"
#include "sim/params.h"
#include "sim/pty.h"

namespace bcrsim {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A frame left incomplete for this long is dropped.
constexpr milliseconds kFrameGap{100};
// How long a decode waits for the acknowledgement of a packet before it gives up.
constexpr milliseconds kAckWait{2000};
// How long a packet may take to reach the host once written: the line (here the
// pseudo-terminal's buffers, slow on a busy machine) passes it on later. A request that reaches
// the engine sooner after the packet was written crossed it.
constexpr milliseconds kHostSees{50};
// The longest the engine thread sleeps without looking at its state.
constexpr milliseconds kIdlePoll{100};

// Packets written together, in order; a job waiting before its first packet holds back the
// ones queued after it.
struct Job {
  std::deque<Packet> packets;
  Clock::time_point notBefore;
  Bytes decodeData;  // the data of the decode the job sends, if it sends one
};

Clock::duration WireTime(size_t bytes, uint32_t bitsPerSecond) {
  return std::chrono::microseconds(bytes * 10 * 1000000 / std::max<uint32_t>(bitsPerSecond, 1));
}

// What a UART reading the line at readSpeed receives of bytes sent at sendSpeed: about
// readSpeed / sendSpeed bytes per byte sent (rounded, at least one for the whole packet). Each
// byte received stands for its share of the sent bit stream (start bit low, eight data bits low
// bit first, stop bit high) and has as many of its six low bits clear as sixths of that share were
// low: high stretches (stop bits, ones) read as 0xFF, a stretch half low as 0xF8, a wholly low one
// as 0xC0. The same bytes give the same garbage.
//
// Every byte received is 0xC0 or more, so no frame survives in it: a frame that began on one would
// have a length L of at least 0xC0 and its L bytes would sum to between 0xC0 * 0xC0 = 0x9000 and
// 0xFF * 0xFF = 0xFE01, so its checksum (0x10000 - sum) would have a high byte of at most 0x70,
// which is no byte of the garbage. Nor is there a zero byte (an engine frame's source byte).
Bytes Misclocked(const Bytes &sent, uint32_t sendSpeed, uint32_t readSpeed) {
  if (sent.empty()) return {};
  const uint64_t bits = sent.size() * 10;
  const uint64_t send = std::max<uint32_t>(sendSpeed, 1);
  const uint64_t count = std::max<uint64_t>(1, (sent.size() * readSpeed + send / 2) / send);
  const auto low = [&sent](uint64_t bit) {
    const uint64_t inByte = bit % 10;
    if (inByte == 0) return true;   // start bit
    if (inByte == 9) return false;  // stop bit
    return ((sent[bit / 10] >> (inByte - 1)) & 1) == 0;
  };
  Bytes received;
  received.reserve(count);
  for (uint64_t i = 0; i < count; ++i) {
    // A port more than ten times faster reads several bytes within one sent bit.
    const uint64_t from = i * bits / count;
    const uint64_t to = std::max(from + 1, (i + 1) * bits / count);
    uint64_t lows = 0;
    for (uint64_t bit = from; bit < to; ++bit) lows += low(bit) ? 1 : 0;
    const uint64_t zeros = (6 * lows + (to - from) / 2) / (to - from);
    received.push_back(static_cast<uint8_t>(0xFF << zeros));
  }
  return received;
}

}  // namespace

struct Engine::Impl {
  Impl(const Builder &builder, Pty p)
      : kind(builder.kind_),
        pty(std::move(p)),
        speed(builder.speed_),
        silent(builder.silent_),
        nakAll(builder.nakAll_),
        paced(builder.paced_),
        revision(builder.revision_.value_or(DefaultRevision(builder.kind_))),
        params(DefaultParams(builder.kind_, builder.speed_)) {}

  ~Impl() {
    if (thread.joinable()) {
      {
        std::lock_guard<std::mutex> lock(mu);
        stop = true;
      }
      Wake();
      thread.join();
    }
    ClosePty(&pty);
    if (wakeRead >= 0) close(wakeRead);
    if (wakeWrite >= 0) close(wakeWrite);
    RemoveLink();
  }

  // The link is replaced in one step (a new link renamed over it), so that a host opening it
  // never finds it missing while it is being re-pointed.
  bool MakeLink(const std::string &path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) return false;
    const std::string fresh = path + ".new";
    unlink(fresh.c_str());
    if (symlink(pty.path.c_str(), fresh.c_str()) != 0) return false;
    if (rename(fresh.c_str(), path.c_str()) != 0) {
      unlink(fresh.c_str());
      return false;
    }
    link = path;
    return true;
  }

  // Removes the link only while it still points at this engine's device.
  void RemoveLink() {
    if (link.empty()) return;
    char target[256];
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<size_t>(n)) == pty.path) unlink(link.c_str());
  }

  void Wake() const {
    const uint8_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wakeWrite, &one, 1);
  }

  void Enqueue(std::vector<Packet> packets, Clock::time_point notBefore, Bytes decodeData = {}) {
    Job job;
    job.decodeData = std::move(decodeData);
    job.packets.assign(std::make_move_iterator(packets.begin()),
                       std::make_move_iterator(packets.end()));
    job.notBefore = notBefore;
    jobs.push_back(std::move(job));
    idle = false;
  }

  // Whether the host had read the packet awaiting its acknowledgement before it wrote the frame
  // of frameSize bytes that just arrived: the packet was passed on to it, it has read it, and it
  // wrote something else first (a host that has read a packet answers it with a wake byte or its
  // acknowledgement before anything else).
  bool HostHasSeenPacket(Clock::time_point now, size_t frameSize) const {
    int unread = 0;
    if (ioctl(pty.slave, FIONREAD, &unread) == 0 && unread > 0) return false;
    return now - packetAt >= kHostSees && bytesSincePacket > frameSize;
  }

  // The front job's decode waits for an acknowledgement in vain: it goes, and is recorded.
  void GiveUpDecode() {
    awaitingAck = false;
    givenUp.push_back(std::move(jobs.front().decodeData));
    jobs.pop_front();
  }

  void EnqueueOne(Packet packet, Clock::time_point notBefore) {
    std::vector<Packet> packets;
    packets.push_back(std::move(packet));
    Enqueue(std::move(packets), notBefore);
  }

  void Run();
  int Step(Clock::time_point now);
  void Write(const Bytes &packet);
  Bytes ReadAvailable();
  void Receive(const Bytes &chunk, uint32_t lineSpeed, Clock::time_point now);
  void HandleFrame(const Bytes &frame, Clock::time_point now);
  void SetSpeedLocked(uint32_t bitsPerSecond) {
    speed = bitsPerSecond;
    params[kParamSpeed] = SpeedCode(bitsPerSecond);
  }
  void PowerOff(int offMs, bool unplug);
  bool PowerUp(Clock::time_point now);

  // Fixed once the engine runs.
  const Kind kind;
  int wakeRead = -1;
  int wakeWrite = -1;
  std::thread thread;

  // Everything below is guarded by mu. The pseudo-terminal is closed and opened only by the
  // engine thread, so that no descriptor it waits on is closed under it.
  mutable std::mutex mu;
  Pty pty;
  std::string link;
  bool off = false;
  bool unplug = false;  // the line goes with the power: closed at the next step
  Clock::time_point onAt{};
  size_t powerCycles = 0;
  mutable std::condition_variable changed;
  bool stop = false;
  uint32_t speed;
  bool silent;
  bool nakAll;
  bool paced;
  int nakNext = 0;
  int replyDelayMs = 0;
  int packetDelayMs = 0;
  Bytes revision;
  ParamStore params;
  std::set<uint32_t> omittedParams;
  std::deque<Decode> onStart;

  std::deque<Job> jobs;  // the front one is being sent
  Clock::time_point nextWriteAt{};
  bool awaitingAck = false;  // the front job waits for a continuation acknowledgement
  Clock::time_point ackDeadline{};
  // Bytes from the host were on their way when the packet awaiting it went out.
  bool ackCrossed = false;
  Clock::time_point packetAt{};  // when the packet awaiting its acknowledgement went out
  size_t bytesSincePacket = 0;   // bytes from the host since then
  bool idle = true;

  FrameReceiver receiver;
  Clock::time_point lastByteAt{};
  Clock::time_point lastWriteAt{};  // when the last packet went out whole

  Bytes received;
  std::vector<Bytes> frames;
  std::vector<Clock::time_point> frameTimes;
  size_t garbage = 0;
  size_t continuationAcks = 0;
  std::vector<Bytes> givenUp;
};

void Engine::Impl::Run() {
  std::unique_lock<std::mutex> lock(mu);
  while (!stop) {
    const int timeoutMs = Step(Clock::now());
    const int master = pty.master;
    lock.unlock();

    // A closed line (master -1) is passed over by poll.
    pollfd fds[2] = {{master, POLLIN, 0}, {wakeRead, POLLIN, 0}};
    const int ready = poll(fds, 2, timeoutMs);
    if (ready > 0 && (fds[1].revents & POLLIN)) {
      uint8_t drain[64];
      while (read(wakeRead, drain, sizeof drain) > 0) {
      }
    }
    Bytes chunk;
    uint32_t lineSpeed = 0;
    if (ready > 0 && (fds[0].revents & POLLIN)) {
      chunk = ReadAvailable();
      lineSpeed = LineSpeed(master);
    } else if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))) {
      // Not expected while the engine holds its own slave descriptor; do not spin on it.
      poll(&fds[1], 1, 10);
    }

    lock.lock();
    // What arrives while the engine is off is lost.
    if (!chunk.empty() && !off) Receive(chunk, lineSpeed, Clock::now());
  }
}

void Engine::Impl::PowerOff(int offMs, bool unplugLine) {
  off = true;
  unplug = unplug || unplugLine;
  onAt = Clock::now() + milliseconds(std::max(offMs, 0));
  jobs.clear();
  awaitingAck = false;
  receiver.Reset();
  nakNext = 0;
  // Power on forgets what was set: the factory speed and store.
  speed = 9600;
  params = DefaultParams(kind, speed);
  idle = true;
  changed.notify_all();
}

// True when the engine is on (again).
bool Engine::Impl::PowerUp(Clock::time_point now) {
  if (unplug) {
    unplug = false;
    RemoveLink();
    ClosePty(&pty);
  }
  if (!off) return true;
  if (now < onAt) return false;
  if (pty.master < 0) {
    std::optional<Pty> fresh = OpenPty(speed);
    if (!fresh) {
      onAt = now + kIdlePoll;  // try again
      return false;
    }
    pty = std::move(*fresh);
    if (!link.empty()) MakeLink(link);
  }
  off = false;
  nextWriteAt = now;
  ++powerCycles;
  changed.notify_all();
  return true;
}

// Sends what is due, expires what waited too long; returns how long the thread may sleep.
int Engine::Impl::Step(Clock::time_point now) {
  if (!PowerUp(now)) {
    const auto left = std::chrono::ceil<milliseconds>(onAt - now).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 1, kIdlePoll.count()));
  }
  if (receiver.Partial() && now - lastByteAt >= kFrameGap) receiver.Reset();
  if (awaitingAck && now >= ackDeadline) GiveUpDecode();
  while (!jobs.empty() && !awaitingAck) {
    Job &job = jobs.front();
    if (job.packets.empty()) {
      jobs.pop_front();
      continue;
    }
    if (now < std::max(job.notBefore, nextWriteAt)) break;
    Packet packet = std::move(job.packets.front());
    job.packets.pop_front();
    int pending = 0;
    if (packet.waitForAck && ioctl(pty.master, FIONREAD, &pending) != 0) pending = 0;
    Write(packet.bytes);
    nextWriteAt = paced ? now + WireTime(packet.bytes.size(), speed) : now;
    if (packet.speedAfter) SetSpeedLocked(*packet.speedAfter);
    if (job.packets.empty()) {
      jobs.pop_front();
    } else if (packet.waitForAck) {
      awaitingAck = true;
      ackDeadline = now + kAckWait;
      ackCrossed = pending > 0;
      packetAt = now;
      bytesSincePacket = 0;
    }
  }

  const bool nowIdle = jobs.empty() && now >= nextWriteAt;
  if (nowIdle != idle) {
    idle = nowIdle;
    changed.notify_all();
  }

  Clock::time_point wake = now + kIdlePoll;
  if (awaitingAck) {
    wake = std::min(wake, ackDeadline);
  } else if (!jobs.empty()) {
    wake = std::min(wake, std::max(jobs.front().notBefore, nextWriteAt));
  } else if (now < nextWriteAt) {
    wake = std::min(wake, nextWriteAt);
  }
  if (receiver.Partial()) wake = std::min(wake, lastByteAt + kFrameGap);
  if (wake <= now) return 0;
  const auto left = std::chrono::ceil<milliseconds>(wake - now).count();
  return static_cast<int>(std::max<decltype(left)>(left, 1));
}

// A packet reaches the host as its port reads it: the bytes themselves while the line runs at the
// engine's speed, what a UART makes of them at any other speed. A line whose speed cannot be read
// (hung up, or at a speed without a row in the table) gets nothing. A full line drops the rest of
// the packet.
void Engine::Impl::Write(const Bytes &packet) {
  const uint32_t lineSpeed = LineSpeed(pty.master);
  if (lineSpeed == 0) return;
  const Bytes bytes = lineSpeed == speed ? packet : Misclocked(packet, speed, lineSpeed);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(pty.master, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return;
    }
  }
  lastWriteAt = Clock::now();
}

Bytes Engine::Impl::ReadAvailable() {
  Bytes chunk;
  uint8_t buffer[512];
  for (;;) {
    const ssize_t n = read(pty.master, buffer, sizeof buffer);
    if (n > 0) {
      chunk.insert(chunk.end(), buffer, buffer + n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return chunk;
}

void Engine::Impl::Receive(const Bytes &chunk, uint32_t lineSpeed, Clock::time_point now) {
  lastByteAt = now;
  if (lineSpeed != speed) {
    garbage += chunk.size();
    receiver.Reset();
  } else {
    received.insert(received.end(), chunk.begin(), chunk.end());
    for (uint8_t byte : chunk) {
      ++bytesSincePacket;
      if (std::optional<Bytes> frame = receiver.Feed(byte)) HandleFrame(*frame, now);
    }
  }
  changed.notify_all();
}

void Engine::Impl::HandleFrame(const Bytes &frame, Clock::time_point now) {
  frames.push_back(frame);
  frameTimes.push_back(now);
  const bool valid = ChecksumValid(frame);
  const size_t length = frame.size() - 2;
  if (valid && length < 4) return;  // no header to act on
  const uint8_t opcode = valid ? frame[1] : 0;
  const uint8_t status = valid ? frame[3] : 0;

  if (opcode == kOpAck) {
    if (status == kStatusContinuation) {
      ++continuationAcks;
      if (awaitingAck) {
        // The host has read the packet: the next one may go.
        awaitingAck = false;
        nextWriteAt = now + milliseconds(packetDelayMs);
      }
    }
    return;
  }
  // Any other frame is a command, and a command ends a decode that waits for its acknowledgement:
  // the host turned away from it. One that was on its way when the packet went out crossed it on
  // the line (the host could not have read it yet): it is answered after the decode.
  if (awaitingAck && !ackCrossed && HostHasSeenPacket(now, frame.size())) GiveUpDecode();
  ackCrossed = false;
  if (silent) return;
  const Clock::time_point due = now + milliseconds(replyDelayMs);
  if (!valid || nakAll || nakNext > 0) {
    if (valid && !nakAll) --nakNext;
    EnqueueOne(Packet(NakFrame()), due);
    return;
  }

  const uint8_t *data = frame.data() + 4;
  const uint8_t *end = frame.data() + length;
  switch (opcode) {
    case kOpRevisionRequest:
      EnqueueOne(Packet(WithChecksum(revision)), due);
      break;
    case kOpParamRequest:
      EnqueueOne(Packet(WithChecksum(ParamReply(ParseNumbers(data, end), params, omittedParams))),
                 due);
      break;
    case kOpParamSend: {
      Packet ack(AckFrame());
      // The first data byte is the beep code.
      const uint8_t *pairs = std::min(data + 1, end);
      for (const auto &[number, value] : ParsePairs(pairs, end)) {
        params[number] = value;
        if (number == kParamSpeed) ack.speedAfter = SpeedOfCode(static_cast<uint8_t>(value));
      }
      EnqueueOne(std::move(ack), due);
      break;
    }
    case kOpStartDecode:
      EnqueueOne(Packet(AckFrame()), due);
      if (!onStart.empty()) {
        Enqueue(DecodePackets(kind, onStart.front()), due, onStart.front().data);
        onStart.pop_front();
      }
      break;
    case kOpStopDecode:
      EnqueueOne(Packet(AckFrame()), due);
      break;
    default:
      break;
  }
}

Engine::Builder::Builder(Kind kind) : kind_(kind) {}

Engine::Builder &Engine::Builder::Speed(uint32_t bitsPerSecond) {
  speed_ = bitsPerSecond;
  return *this;
}

Engine::Builder &Engine::Builder::Revision(Bytes reply) {
  revision_ = std::move(reply);
  return *this;
}

Engine::Builder &Engine::Builder::Silent(bool silent) {
  silent_ = silent;
  return *this;
}

Engine::Builder &Engine::Builder::NakAll(bool nak) {
  nakAll_ = nak;
  return *this;
}

Engine::Builder &Engine::Builder::Link(std::string path) {
  link_ = std::move(path);
  return *this;
}

Engine::Builder &Engine::Builder::Paced(bool paced) {
  paced_ = paced;
  return *this;
}

std::unique_ptr<Engine> Engine::Builder::Start() {
  std::optional<Pty> pty = OpenPty(speed_);
  if (!pty) return nullptr;
  auto impl = std::make_unique<Impl>(*this, std::move(*pty));
  int pipeFds[2];
  if (pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) return nullptr;
  impl->wakeRead = pipeFds[0];
  impl->wakeWrite = pipeFds[1];
  if (!link_.empty() && !impl->MakeLink(link_)) return nullptr;
  impl->thread = std::thread(&Impl::Run, impl.get());
  return std::unique_ptr<Engine>(new Engine(std::move(impl)));
}

Engine::Engine(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Engine::~Engine() = default;

Kind Engine::EngineKind() const {
  return impl_->kind;
}

std::string Engine::Path() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->pty.path;
}

uint32_t Engine::Speed() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->speed;
}

void Engine::SetSpeed(uint32_t bitsPerSecond) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->SetSpeedLocked(bitsPerSecond);
}

void Engine::SetSilent(bool silent) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->silent = silent;
}

void Engine::SetNakAll(bool nak) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->nakAll = nak;
}

void Engine::NakNext(int count) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->nakNext = count;
}

void Engine::SetReplyDelay(int ms) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->replyDelayMs = std::max(ms, 0);
}

void Engine::SetPacketDelay(int ms) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->packetDelayMs = std::max(ms, 0);
}

void Engine::SetRevision(Bytes reply) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->revision = std::move(reply);
}

void Engine::PowerCycle(int offMs) {
  {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->PowerOff(offMs, false);
  }
  impl_->Wake();
}

void Engine::Replug(int offMs) {
  {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->PowerOff(offMs, true);
  }
  impl_->Wake();
}

bool Engine::PoweredOn() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return !impl_->off;
}

size_t Engine::PowerCycles() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->powerCycles;
}

bool Engine::WaitPoweredOn(int timeoutMs) const {
  std::unique_lock<std::mutex> lock(impl_->mu);
  return impl_->changed.wait_for(lock, milliseconds(timeoutMs), [this] { return !impl_->off; });
}

void Engine::Send(Bytes bytes) {
  {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->EnqueueOne(Packet(std::move(bytes)), Clock::now());
  }
  impl_->Wake();
}

void Engine::SendDecode(Decode decode) {
  {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->Enqueue(DecodePackets(impl_->kind, decode), Clock::now(), decode.data);
  }
  impl_->Wake();
}

void Engine::OnStartDecode(Decode decode) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->onStart.push_back(std::move(decode));
}

size_t Engine::PendingOnStart() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->onStart.size();
}

bool Engine::WaitIdle(int timeoutMs) {
  std::unique_lock<std::mutex> lock(impl_->mu);
  return impl_->changed.wait_for(lock, milliseconds(timeoutMs), [this] { return impl_->idle; });
}

Bytes Engine::Received() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->received;
}

std::vector<Bytes> Engine::Frames() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->frames;
}

std::vector<std::chrono::steady_clock::time_point> Engine::FrameTimes() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->frameTimes;
}

size_t Engine::GarbageBytes() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->garbage;
}

std::chrono::steady_clock::time_point Engine::LastWriteAt() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->lastWriteAt;
}

std::vector<Bytes> Engine::GivenUp() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->givenUp;
}

size_t Engine::ContinuationAcks() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->continuationAcks;
}

void Engine::ClearRecord() {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->received.clear();
  impl_->frames.clear();
  impl_->frameTimes.clear();
  impl_->garbage = 0;
  impl_->continuationAcks = 0;
  impl_->givenUp.clear();
}

bool Engine::WaitForFrames(size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> lock(impl_->mu);
  return impl_->changed.wait_for(lock, milliseconds(timeoutMs),
                                 [this, count] { return impl_->frames.size() >= count; });
}

std::optional<uint32_t> Engine::Param(uint32_t number) const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  const auto found = impl_->params.find(number);
  if (found == impl_->params.end()) return std::nullopt;
  return found->second;
}

void Engine::SetParam(uint32_t number, uint32_t value) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->params[number] = value;
}

void Engine::OmitParamFromReplies(uint32_t number) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->omittedParams.insert(number);
}

}  // namespace bcrsim
