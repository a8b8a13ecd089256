// Scan-to-delivery latency: from the engine's last byte of a decode to "WM_DECODEDATA" at an
// application window. The library pauses 100 ms (the wake step) before it acknowledges a
// decode, so that pause is the floor.
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench.h"
#include "bench_reader.h"
#include "platform/window.h"
#include "reader/globals.h"
#include "reader/lifecycle.h"
#include "sim/engine.h"
#include "state/library_state.h"

namespace {

using bcr::bench::Broadcasts;

using Clock = std::chrono::steady_clock;

void Pump(int ms) {
  auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) bcr::platform::WindowDispatch(5);
}

}  // namespace

BCR_BENCHMARK(ScanToDelivery) {
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  if (!engine) return;
  bcr::bench::PointAt(engine->Path());
  bcr::ProcessAttach(nullptr);
  if (bcr::InitReader() != 1) {
    std::fprintf(stderr, "delivery bench: InitReader failed\n");
    bcr::ProcessDetach();
    return;
  }
  Broadcasts::message = bcr::State().messages.decodeData;
  bcr::platform::Window *window =
      bcr::platform::WindowCreateWithProc("DeliveryBench", Broadcasts::Window);
  bcr::platform::Window *reader = bcr::State().readerWindow;
  uint32_t trigger = bcr::State().messages.user1Down;

  constexpr int kDecodes = 200;
  std::vector<double> latencies;
  bcrsim::Decode decode;
  decode.codeType = 0x01;
  for (char c : std::string("0123456789012")) decode.data.push_back(static_cast<uint8_t>(c));
  for (int i = 0; i < kDecodes; ++i) {
    bcr::platform::WindowPost(reader, trigger, 0, 0);
    Pump(20);  // the decode thread is now waiting for the engine
    Broadcasts::arrived = false;
    engine->SendDecode(decode);
    Clock::time_point sent = Clock::now();
    auto limit = sent + std::chrono::seconds(5);
    while (!Broadcasts::arrived && Clock::now() < limit) bcr::platform::WindowDispatch(50);
    if (!Broadcasts::arrived) {
      std::fprintf(stderr, "delivery bench: decode %d not delivered\n", i);
      break;
    }
    // From the engine's last byte of the decode, as the engine saw it go out.
    Clock::time_point lastByte = engine->LastWriteAt();
    if (lastByte < sent) lastByte = sent;
    latencies.push_back(
        std::chrono::duration<double, std::milli>(Broadcasts::at - lastByte).count());
  }
  bcr::platform::WindowDestroy(window);
  bcr::ProcessDetach();
  if (latencies.empty()) return;
  std::sort(latencies.begin(), latencies.end());
  double median = latencies[latencies.size() / 2];
  double p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
  bcr::bench::Report("scan_to_delivery_median_ms", median, "ms", "<102");
  bcr::bench::Report("scan_to_delivery_p99_ms", p99, "ms", "<102");
}

// CPU used by a process whose reader is up and waiting for triggers, with the engine simulated
// in another process so that only the library's own cost is counted.
BCR_BENCHMARK(IdleCost) {
  int out[2];
  if (pipe(out) != 0) return;
  std::string program = bcr::bench::LibDir() + "/../bin/bcreader-sim";
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    execl(program.c_str(), program.c_str(), "--engine", "se955", "--speed", "38400",
          static_cast<char *>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE *sim = fdopen(out[0], "r");
  char line[512] = "";
  bool started = pid > 0 && sim != nullptr && fgets(line, sizeof line, sim) != nullptr;
  std::string port(line);
  while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
  if (!started) {
    std::fprintf(stderr, "idle bench: the simulator did not start\n");
  } else {
    bcr::bench::PointAt(port);
    bcr::ProcessAttach(nullptr);
    if (bcr::InitReader() != 1) {
      std::fprintf(stderr, "idle bench: InitReader failed on %s\n", port.c_str());
    } else {
      auto cpu = [] {
        struct rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
      };
      constexpr int kSeconds = 10;
      double before = cpu();
      auto end = Clock::now() + std::chrono::seconds(kSeconds);
      // The application's message loop.
      while (Clock::now() < end) bcr::platform::WindowDispatch(1000);
      double used = cpu() - before;
      bcr::bench::Report("idle_cpu_share_of_one_core", 100.0 * used / kSeconds, "%", "<0.1");
    }
    bcr::ProcessDetach();
  }
  if (pid > 0) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  if (sim != nullptr) fclose(sim);
}
