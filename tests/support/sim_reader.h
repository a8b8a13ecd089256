// The library under test loaded against a simulated engine, with the calls most tests make.
#ifndef BCREADER_TESTS_SUPPORT_SIM_READER_H
#define BCREADER_TESTS_SUPPORT_SIM_READER_H

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim/engine.h"
#include "support/loaded_library.h"

namespace bcr::test {

using Clock = std::chrono::steady_clock;

inline int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

inline bcrsim::Decode Decoding(const std::string &text, uint8_t type = 0x01,
                               size_t packetData = 0) {
  bcrsim::Decode decode;
  decode.codeType = type;
  decode.data.assign(text.begin(), text.end());
  decode.packetData = packetData;
  return decode;
}

inline std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class SimReader : public ::testing::Test {
 protected:
  using Env = std::vector<std::pair<const char *, std::string>>;
  // Points the library at the engine (and sets env over that), loads it and, when asked, brings
  // the reader up.
  void Start(std::unique_ptr<bcrsim::Engine> sim, const char *kind, const Env &env = {},
             bool init = true) {
    engine_ = std::move(sim);
    ASSERT_NE(engine_, nullptr);
    PointLibraryAt(engine_->Path(), kind, scratch_);
    for (const auto &[name, value] : env) setenv(name, value.c_str(), 1);
    library_.Open();
    if (init) {
      ASSERT_EQ(BCR_FN(library_, InitReader)(), 1) << TraceText();
    }
  }

  // What the library traced so far, when the test asked for a trace file.
  static std::string TraceText() {
    const char *trace = getenv("BCREADER_TRACE");
    return trace != nullptr && trace[0] != '\0' ? "trace:\n" + ReadFile(trace) : "";
  }

  // Runs the messages of this thread's windows until done or ms passed.
  bool PumpUntil(const std::function<bool()> &done, int ms) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done() && Clock::now() < end) BCR_FN(library_, BcrDispatchMessages)(20);
    return done();
  }
  void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
  }
  // Posts a message by name to the reader's window.
  void Post(const char *message, uintptr_t wParam = 0) {
    BcrWindow reader = BCR_FN(library_, BcrFindWindow)("Quenrix");
    ASSERT_EQ(BCR_FN(library_, BcrPostMessage)(
                  reader, BCR_FN(library_, BcrRegisterWindowMessage)(message), wParam, 0),
              1);
  }
  void Press() { Post("WM_USER1DOWN"); }
  // A synchronous read into a 512-byte buffer.
  int32_t Read(std::string *text = nullptr) {
    char buffer[512] = "";
    int32_t n = BCR_FN(library_, ReadBarcodeData)(nullptr, buffer, sizeof buffer);
    if (text != nullptr) *text = buffer;
    return n;
  }
  std::string DecodeData() {
    char buffer[256] = {};
    int32_t n = BCR_FN(library_, GetDecodeData)(buffer, sizeof buffer);
    return n < 0 ? "<" + std::to_string(n) + ">" : std::string(buffer);
  }

  ScratchDir scratch_;
  std::unique_ptr<bcrsim::Engine> engine_;
  LoadedLibrary library_{false};
};

}  // namespace bcr::test

#endif  // BCREADER_TESTS_SUPPORT_SIM_READER_H
