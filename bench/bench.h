// Every figure the benchmarks print is one line: BENCH <name> <value> <unit> target <comparison>.
#ifndef BCREADER_BENCH_BENCH_H
#define BCREADER_BENCH_BENCH_H

#include <cstdio>

namespace bcr::bench {

inline void Report(const char *name, double value, const char *unit, const char *target) {
  std::printf("BENCH %s %.4g %s target %s\n", name, value, unit, target);
  std::fflush(stdout);
}

// Each benchmark registers itself and runs when the program starts.
struct Benchmark {
  const char *name;
  void (*run)();
};

void Register(const char *name, void (*run)());

}  // namespace bcr::bench

#define BCR_BENCHMARK(name)                                                      \
  static void name();                                                            \
  static const int name##_registered = (::bcr::bench::Register(#name, name), 0); \
  static void name()

#endif  // BCREADER_BENCH_BENCH_H
