// A reader object whose link is open on a simulated engine, for the tests of the parameter
// handlers and the functions built on them.
#ifndef BCREADER_TESTS_CONFIG_SIM_ENGINE_FIXTURE_H
#define BCREADER_TESTS_CONFIG_SIM_ENGINE_FIXTURE_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "config/handlers.h"
#include "link/serial_port.h"
#include "platform/sync.h"
#include "reader/globals.h"
#include "sim/engine.h"
#include "state/library_state.h"
#include "state/scan_engine.h"
#include "state/settings.h"
#include "state/workers.h"
#include "support/sim_link.h"

namespace bcr::test {

using Frames = std::vector<Bytes>;

constexpr uint32_t kSimSpeed = 115200;

// Frames as hex text: "07 C6 04 ...", with " | " between frames.
inline std::string HexText(const Frames &frames) {
  std::string text;
  for (const Bytes &frame : frames) {
    if (!text.empty()) text += " |";
    for (uint8_t byte : frame) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", byte);
      text += hex;
    }
  }
  return text.empty() ? text : text.substr(1);
}

// Opens engine's link on "COM2:" pointed at sim, at the simulator's speed, with its engine type.
inline bool OpenOnSim(ScanEngine &engine, bcrsim::Engine &sim) {
  setenv("BCREADER_COM2", sim.Path().c_str(), 1);
  engine.link.SetPortNumber(2);
  if (!engine.link.Open() || !engine.link.Port().SetSpeed(sim.Speed())) return false;
  engine.link.SetDeviceType(sim.EngineKind() == bcrsim::Kind::SE955 ? kEngineSE955 : kImager4507);
  engine.SetActive(1);
  return true;
}

class SimEngineTest : public ::testing::Test {
 protected:
  // Each case starts from a library as loaded: nothing cached, every setting at its default.
  SimEngineTest() {
    engine_.paramCache.Forget();
    ResetSettings();
  }
  // Starts a simulated engine of the kind and opens the reader's link on it.
  void Start(bcrsim::Kind kind) {
    sim_ = (kind == bcrsim::Kind::SE955 ? bcrsim::Engine::SE955() : bcrsim::Engine::Imager4507())
               .Speed(kSimSpeed)
               .Start();
    ASSERT_NE(sim_, nullptr);
    ASSERT_TRUE(OpenOnSim(engine_, *sim_));
  }
  void StartSE955() { Start(bcrsim::Kind::SE955); }
  void Start4507() { Start(bcrsim::Kind::Imager4507); }

  // The frames the engine received since the last call. The calls under test wait for the
  // engine's reply, so every frame they sent has arrived when they return.
  Frames TakeFrames() {
    Frames frames = sim_->Frames();
    sim_->ClearRecord();
    return frames;
  }

  // The same as hex text; "" only when not even a wake byte arrived.
  std::string TakeHex() {
    const bool none = sim_->Received().empty();
    const std::string text = HexText(TakeFrames());
    return none || !text.empty() ? text : "bytes outside frames";
  }

  uint32_t Param(uint32_t number) const { return sim_->Param(number).value_or(0xFFFFFFFF); }

  std::unique_ptr<bcrsim::Engine> sim_;
  ScanEngine engine_;
};

// With a handler counting the trigger-mode changes the calls report, as the reader's
// auto-trigger would follow them.
class SimEngineModeTest : public SimEngineTest {
 protected:
  void SetUp() override {
    reports_ = 0;
    engine_.SetModeChangedHandler([](void *count) { ++*static_cast<std::atomic<int> *>(count); },
                                  &reports_);
  }
  // The changes reported since the last call.
  int TakeReports() { return reports_.exchange(0); }

 private:
  std::atomic<int> reports_{0};
};

}  // namespace bcr::test

#endif  // BCREADER_TESTS_CONFIG_SIM_ENGINE_FIXTURE_H
