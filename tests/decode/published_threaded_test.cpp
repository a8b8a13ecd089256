// Applications read the last decode from any thread while the decode thread replaces it.
#include <gtest/gtest.h>
#include <semaphore.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "decode/code_types.h"
#include "decode/output_record.h"
#include "decode/reception.h"
#include "link/serial_port.h"
#include "platform/clock.h"
#include "reader/globals.h"
#include "reader/lifecycle.h"
#include "sim/engine.h"
#include "state/library_state.h"
#include "state/published_decode.h"
#include "state/scan_engine.h"
#include "state/workers.h"

namespace bcr {
namespace {

// Every decode of the test: a letter repeated, so that a torn copy shows as mixed letters.
std::string Text(int i) {
  return std::string(40 + i, static_cast<char>('A' + i % 26));
}

// One letter repeated, and not empty once a decode has come.
bool Whole(const std::string &text, bool decoded) {
  if (text.empty()) return !decoded;
  return text.find_first_not_of(text[0]) == std::string::npos;
}

TEST(PublishedDecode, ReadersOnOtherThreadsAlwaysGetAWholeDecode) {
  auto sim = bcrsim::Engine::SE955().Speed(38400).Start();
  ASSERT_NE(sim, nullptr);
  setenv("BCREADER_COM2", sim->Path().c_str(), 1);
  setenv("BCREADER_EVENT_PREFIX", ("bcrtest" + std::to_string(getpid()) + "_").c_str(), 1);
  ForgetLoadState();
  ProcessAttach(nullptr);
  ScanEngine &engine = TheReader();
  engine.link.SetPortNumber(2);
  ASSERT_EQ(OpenPort(engine.link), 1);
  ASSERT_EQ(SetPortSpeed(engine.link, 38400), 1);
  engine.link.SetDeviceType(kEngineSE955);
  engine.SetActive(1);
  StartWorker(State(), kDecodeWorker, DecodeThread, &Globals());

  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::atomic<bool> first{false};  // set once the first decode was published
  std::vector<std::thread> readers;
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&] {
      char buffer[128];
      while (!done) {
        const bool decoded = first;
        if (CopyLastDecodeData(engine, buffer, sizeof buffer) < 0 || !Whole(buffer, decoded)) {
          ++torn;
        }
        if (!Whole(engine.DecodeResult().data.Narrow(), decoded)) ++torn;
        if (OutputRecord(engine, 7, buffer, sizeof buffer) < 0 || !Whole(buffer, decoded)) ++torn;
        DecodeTypeResult(engine.DeviceType(), LastCodeType());
      }
    });
  }
  constexpr int kDecodes = 8;
  for (int i = 0; i < kDecodes; ++i) {
    WakeWorker(State(), kDecodeWorker);
    bcrsim::Decode decode;
    decode.codeType = 0x01;
    std::string text = Text(i);
    decode.data.assign(text.begin(), text.end());
    sim->SendDecode(decode);
    uint64_t limit = platform::NowMs() + 3000;
    while (std::string(LastDecodeData().Narrow()) != text && platform::NowMs() < limit) {
      platform::Sleep(5);
    }
    EXPECT_EQ(std::string(LastDecodeData().Narrow()), text);
    first = true;
  }
  done = true;
  for (std::thread &reader : readers) reader.join();
  ProcessDetach();
  ClosePort(engine.link);
  sem_unlink(("/bcrtest" + std::to_string(getpid()) + "_DecodeEventBC").c_str());
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace bcr
