#include <cstring>
#include <vector>

#include "bench.h"

namespace bcr::bench {

namespace {

std::vector<Benchmark> &All() {
  static std::vector<Benchmark> all;
  return all;
}

}  // namespace

void Register(const char *name, void (*run)()) {
  All().push_back({name, run});
}

}  // namespace bcr::bench

// Runs every benchmark, or those whose name contains the first argument.
int main(int argc, char **argv) {
  for (const auto &benchmark : bcr::bench::All()) {
    if (argc > 1 && std::strstr(benchmark.name, argv[1]) == nullptr) continue;
    benchmark.run();
  }
  return 0;
}
