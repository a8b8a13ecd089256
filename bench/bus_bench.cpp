// Scan to another process: from the engine's last byte of a decode to a client of the bus in a
// process of its own receiving its signal, beside the broadcast to a window of the library's
// process measured on the same decodes. The signal leaves with the broadcast, so the difference
// is the bus's own cost.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench.h"
#include "bench_reader.h"
#include "platform/window.h"
#include "reader/globals.h"
#include "reader/lifecycle.h"
#include "sim/engine.h"
#include "state/library_state.h"
#include "support/private_bus.h"

namespace {

using bcr::bench::Broadcasts;

using Clock = std::chrono::steady_clock;

// The client's time of arrival (the monotonic clock, as steady_clock) of its decode line.
Clock::time_point ArrivalOf(const std::string &line) {
  const size_t from = line.find(' ', 7) + 1;
  const long long us = std::atoll(line.c_str() + from);
  return Clock::time_point(std::chrono::microseconds(us));
}

double Percentile(std::vector<double> values, size_t percent) {
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, values.size() * percent / 100)];
}

}  // namespace

BCR_BENCHMARK(ScanToBusClient) {
  char folder[] = "/tmp/bcrbench-bus-XXXXXX";
  if (mkdtemp(folder) == nullptr) return;
  bcr::test::PrivateBus bus(folder);
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  if (!bus.Start() || !engine) {
    std::fprintf(stderr, "bus bench: no bus or no engine\n");
    return;
  }
  bcr::bench::PointAt(engine->Path());
  setenv("BCREADER_BUS", "session", 1);
  bcr::ProcessAttach(nullptr);
  constexpr int kDecodes = 200;
  std::unique_ptr<bcr::test::Child> client;
  if (bcr::InitReader() != 1 || !(client = bcr::test::StartListener(kDecodes, -1, 120000))) {
    std::fprintf(stderr, "bus bench: the reader or the client did not start\n");
    bcr::ProcessDetach();
    return;
  }
  Broadcasts::message = bcr::State().messages.decodeData;
  bcr::platform::Window *window =
      bcr::platform::WindowCreateWithProc("BusBench", Broadcasts::Window);
  bcr::platform::Window *reader = bcr::State().readerWindow;
  const uint32_t trigger = bcr::State().messages.user1Down;

  std::vector<double> inProcess, otherProcess;
  bcrsim::Decode decode;
  decode.codeType = 0x01;
  for (char c : std::string("0123456789012")) decode.data.push_back(static_cast<uint8_t>(c));
  for (int i = 0; i < kDecodes; ++i) {
    bcr::platform::WindowPost(reader, trigger, 0, 0);
    const auto settle = Clock::now() + std::chrono::milliseconds(20);
    while (Clock::now() < settle) bcr::platform::WindowDispatch(5);
    Broadcasts::arrived = false;
    engine->SendDecode(decode);
    const Clock::time_point sent = Clock::now();
    const auto limit = sent + std::chrono::seconds(5);
    while (!Broadcasts::arrived && Clock::now() < limit) bcr::platform::WindowDispatch(50);
    // The client's lines: "ready", then one per decode.
    if (!Broadcasts::arrived || !client->WaitForLines(static_cast<size_t>(i) + 2, 5000)) {
      std::fprintf(stderr, "bus bench: decode %d not delivered\n", i);
      break;
    }
    const Clock::time_point lastByte = std::max(engine->LastWriteAt(), sent);
    using Ms = std::chrono::duration<double, std::milli>;
    inProcess.push_back(Ms(Broadcasts::at - lastByte).count());
    otherProcess.push_back(Ms(ArrivalOf(client->Lines()[i + 1]) - lastByte).count());
  }
  bcr::platform::WindowDestroy(window);
  bcr::ProcessDetach();
  client.reset();
  bus.Stop();
  if (otherProcess.empty()) return;
  bcr::bench::Report("scan_to_broadcast_p99_ms", Percentile(inProcess, 99), "ms", "<102");
  bcr::bench::Report("scan_to_bus_client_p50_ms", Percentile(otherProcess, 50), "ms", "<102");
  bcr::bench::Report("scan_to_bus_client_p99_ms", Percentile(otherProcess, 99), "ms", "<102");
  bcr::bench::Report("bus_client_p99_over_broadcast_p99_ms",
                     Percentile(otherProcess, 99) - Percentile(inProcess, 99), "ms", "<5");
  (void)!system((std::string("rm -rf ") + folder).c_str());
}
