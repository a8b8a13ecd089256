// CPU the receiving thread spends per byte of a large multi-packet decode, against the wire time
// of one byte at the engine's speed.
#include <stdlib.h>
#include <time.h>

#include <cstdio>

#include "bench.h"
#include "link/receiver.h"
#include "link/serial_port.h"
#include "sim/engine.h"

namespace {

double ThreadCpuSeconds() {
  struct timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

}  // namespace

BCR_BENCHMARK(ReceiverCpuPerByte) {
  constexpr uint32_t kSpeed = 115200;
  constexpr size_t kDecodeBytes = 7000;
  auto engine = bcrsim::Engine::Imager4507().Speed(kSpeed).Start();
  if (!engine) {
    std::fprintf(stderr, "receiver bench: no pseudo-terminal\n");
    return;
  }
  setenv("BCREADER_COM2", engine->Path().c_str(), 1);
  bcr::EngineLink link;
  link.SetPortNumber(2);
  link.SetDeviceType(bcr::kImager4507);
  if (!link.Open() || !link.Port().SetSpeed(kSpeed)) {
    link.Close();
    std::fprintf(stderr, "receiver bench: port did not open\n");
    return;
  }
  bcrsim::Decode decode;
  // The receiver is measured on this thread, the line's own reader stopped.
  link.Line().Stop();
  decode.codeType = 0x11;
  for (size_t i = 0; i < kDecodeBytes; ++i)
    decode.data.push_back(static_cast<uint8_t>('A' + i % 26));
  decode.packetData = 240;

  constexpr int kRounds = 5;
  double cpu = 0;
  size_t bytes = 0;
  for (int round = 0; round < kRounds; ++round) {
    engine->SendDecode(decode);
    double start = ThreadCpuSeconds();
    bcr::LineFrame frame = bcr::ReadFrame(link, 3000);
    cpu += ThreadCpuSeconds() - start;
    link.SetFrameInFlight(false);
    if (frame.kind != bcr::FrameKind::kDecode || frame.units.size() != kDecodeBytes + 1) {
      std::fprintf(stderr, "receiver bench: decode not received (%zu units)\n", frame.units.size());
      break;
    }
    // Wire bytes: every packet's header and checksum besides the data.
    size_t packets = (kDecodeBytes + decode.packetData - 1) / decode.packetData;
    bytes += kDecodeBytes + packets * 7;
    engine->WaitIdle(2000);
  }
  link.Close();
  if (bytes == 0) return;
  double wireMicros = 10.0 / kSpeed * 1e6;
  double cpuMicros = cpu / bytes * 1e6;
  // The target is 1% of the wire time of one byte (86.8 us at 115200 bit/s).
  bcr::bench::Report("receiver_cpu_per_byte", cpuMicros, "us", "<0.868");
  bcr::bench::Report("receiver_cpu_share_of_wire_time", 100.0 * cpuMicros / wireMicros, "%", "<1");
}
