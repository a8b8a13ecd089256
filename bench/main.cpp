#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

// Runs every benchmark, or those whose name contains the first argument, each in a process of
// its own: a reader is brought up once per process, as in an application.
int main(int argc, char **argv) {
  int failures = 0;
  for (const auto &benchmark : bcr::bench::All()) {
    if (argc > 1 && std::strstr(benchmark.name, argv[1]) == nullptr) continue;
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
      benchmark.run();
      std::fflush(stdout);
      _exit(0);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status)) {
      std::fprintf(stderr, "benchmark %s failed\n", benchmark.name);
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
