// How long InitReader takes for an SE955 that answers at its working speed at once, against the
// waits the start-up must make (500 ms after opening the port, the 100 ms wake step, the 500 ms
// pause at the end) plus the wire time of the exchange.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench.h"
#include "bench_reader.h"
#include "reader/lifecycle.h"
#include "sim/engine.h"

BCR_BENCHMARK(InitReaderTime) {
  constexpr uint32_t kSpeed = 38400;
  auto engine = bcrsim::Engine::SE955().Speed(kSpeed).Start();
  if (!engine) {
    std::fprintf(stderr, "init bench: no pseudo-terminal\n");
    return;
  }
  bcr::bench::PointAt(engine->Path());
  bcr::ProcessAttach(nullptr);
  auto start = std::chrono::steady_clock::now();
  int32_t result = bcr::InitReader();
  double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  bcr::ProcessDetach();
  if (result != 1) {
    std::fprintf(stderr, "init bench: InitReader gave %d\n", result);
    return;
  }
  // Wake byte, revision request (4 bytes and checksum) and the engine's 20-byte reply with its
  // checksum, ten bits a byte.
  double wireMs = (1 + 6 + 22) * 10.0 / kSpeed * 1000.0;
  double mandated = 1100.0 + wireMs;
  char target[32];
  std::snprintf(target, sizeof target, "<%.0f", mandated * 1.05);
  bcr::bench::Report("init_reader_se955_ms", ms, "ms", target);
  bcr::bench::Report("init_reader_over_mandated_waits", 100.0 * (ms - mandated) / mandated, "%",
                     "<5");
}
