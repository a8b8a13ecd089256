// A link opened on the simulator's pseudo-terminal, for tests of the engine link.
#ifndef BCREADER_TESTS_SUPPORT_SIM_LINK_H
#define BCREADER_TESTS_SUPPORT_SIM_LINK_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <memory>
#include <vector>

#include "link/engine_link.h"
#include "link/frame.h"
#include "reader/globals.h"
#include "sim/engine.h"
#include "util/wstring.h"

namespace bcr::test {

using ::bcr::Bytes;

inline Bytes ToBytes(const WString &s) {
  Bytes bytes;
  for (uint32_t i = 0; i < s.Size(); ++i) bytes.push_back(static_cast<uint8_t>(s.Data()[i]));
  return bytes;
}

// A health handler that counts the suspect reports in the std::atomic<int> it is given.
inline void CountSuspect(void *count, HealthReport report, const char *) {
  if (report == HealthReport::kSuspect) ++*static_cast<std::atomic<int> *>(count);
}

// Points "COM2:" at the engine and opens the link on it at the engine's speed, with the engine
// type of the simulated engine; a link that does not open fails the test. Without its line
// reader, the test reads the line itself.
class SimLink {
 public:
  explicit SimLink(std::unique_ptr<bcrsim::Engine> engine, bool lineReader = true)
      : engine_(std::move(engine)) {
    setenv("BCREADER_COM2", engine_->Path().c_str(), 1);
    link_.SetPortNumber(2);
    link_.SetDeviceType(engine_->EngineKind() == bcrsim::Kind::SE955 ? kEngineSE955 : kImager4507);
    opened_ = link_.Open() && link_.Port().SetSpeed(engine_->Speed());
    if (!lineReader) link_.Line().Stop();
    EXPECT_TRUE(opened_) << engine_->Path();
  }
  ~SimLink() { link_.Close(); }

  bool Opened() const { return opened_; }
  EngineLink &Link() { return link_; }
  bcrsim::Engine &Engine() { return *engine_; }
  // The engine goes away: its line hangs up under the open link.
  void StopEngine() { engine_.reset(); }

 private:
  std::unique_ptr<bcrsim::Engine> engine_;
  EngineLink link_;
  bool opened_ = false;
};

}  // namespace bcr::test

#endif  // BCREADER_TESTS_SUPPORT_SIM_LINK_H
