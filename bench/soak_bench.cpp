// The threaded soak (soak_driver.h) as figures: decodes sent, delivered, discarded by a
// documented rule, lost, duplicated and wrong, and the longest call.
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "bench.h"
#include "bench_reader.h"
#include "soak_driver.h"

BCR_BENCHMARK(ThreadedSoak) {
  char folder[] = "/tmp/bcrsoak-XXXXXX";
  if (mkdtemp(folder) == nullptr) return;
  setenv("BCREADER_SYSLIB", (bcr::bench::LibDir() + "/libbrevald.so").c_str(), 1);
  const bcr::soak::Figures f =
      bcr::soak::Run(bcrsim::Kind::SE955, bcr::bench::LibDir() + "/libbcreader.so", folder, 10, 16);
  const std::string registry = std::string(folder) + "/registry.reg";
  unlink(registry.c_str());
  rmdir(folder);
  if (!f.started) return;
  bcr::bench::Report("soak_sent", f.sent, "decodes", "> 0");
  bcr::bench::Report("soak_delivered", f.delivered, "decodes", "= sent - strays");
  bcr::bench::Report("soak_strays", f.strays, "decodes", "sent with nobody waiting");
  bcr::bench::Report("soak_given_up_by_the_engine", f.givenUp, "decodes", "= 0");
  bcr::bench::Report("soak_discarded_by_rule", f.discarded, "decodes", "= strays");
  bcr::bench::Report("soak_option_calls_failed", f.optionFails, "calls", "= 0");
  bcr::bench::Report("soak_lost", f.lost, "decodes", "= 0");
  bcr::bench::Report("soak_duplicated", f.duplicated, "decodes", "= 0");
  bcr::bench::Report("soak_wrong", f.wrong, "decodes", "= 0");
  bcr::bench::Report("soak_broadcasts_missing", f.broadcastsMissing, "decodes", "= 0");
  bcr::bench::Report("soak_broadcasts_extra", f.broadcastsExtra, "broadcasts", "= 0");
  bcr::bench::Report("soak_event_missed", f.eventMissed, "dispatches", "= 0");
  bcr::bench::Report("soak_event_extra", f.eventExtra, "dispatches", "= 0");
  bcr::bench::Report("soak_calls_over_bound", f.slowCalls, "calls", "= 0");
  bcr::bench::Report("soak_longest_call", static_cast<double>(f.longestCallMs), "ms", "< 10000");
}
