// Applications read the last decode from any thread while the decode thread replaces it.
#include <gtest/gtest.h>
#include <semaphore.h>
#include <unistd.h>

#include <atomic>
#include <memory>
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

class PublishedDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(sim, nullptr);
    setenv("BCREADER_COM2", sim->Path().c_str(), 1);
    setenv("BCREADER_EVENT_PREFIX", ("bcrtest" + std::to_string(getpid()) + "_").c_str(), 1);
    ProcessAttach(nullptr);
    engine.link.SetPortNumber(2);
    ASSERT_TRUE(engine.link.Open());
    ASSERT_TRUE(engine.link.Port().SetSpeed(38400));
    engine.link.SetDeviceType(kEngineSE955);
    engine.SetActive(1);
  }
  void TearDown() override {
    ProcessDetach();
    engine.link.Close();
    sem_unlink(("/bcrtest" + std::to_string(getpid()) + "_DecodeEventBC").c_str());
  }

  std::unique_ptr<bcrsim::Engine> sim = bcrsim::Engine::SE955().Speed(38400).Start();
  ScanEngine &engine = TheReader();
};

TEST_F(PublishedDecode, ReadersOnOtherThreadsAlwaysGetAWholeDecode) {
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
  EXPECT_EQ(torn, 0);
}

// A reception that ends without a decode empties the data of the decode it began with, and only
// that: code type and name stay, a decode that a synchronous read received meanwhile stays whole,
// and a reception that never ran (the reader off) changes nothing.
TEST_F(PublishedDecode, AReceptionWithoutADecodeEmptiesOnlyTheDataItBeganWith) {
  char buffer[16];
  const auto read = [&](const std::string &text) {
    bcrsim::Decode decode;
    decode.data.assign(text.begin(), text.end());
    sim->OnStartDecode(decode);
    return ReadBarcode(engine, State(), nullptr, buffer, sizeof buffer);
  };
  const auto data = [&] { return std::string(engine.DecodeResult().data.Narrow()); };
  ASSERT_EQ(read("FIRST"), 5);
  NotePress(engine, platform::NowMs());
  std::thread press([&] {
    Decode out;
    EXPECT_EQ(ReceiveDecode(engine, out, 60000, Reception::kPressed), 0);
  });
  const uint64_t limit = platform::NowMs() + 5000;
  while (engine.pressLine != ScanEngine::kNoPress && platform::NowMs() < limit) platform::Sleep(1);
  EXPECT_EQ(data(), "FIRST");  // the press's reception has begun, with FIRST
  EXPECT_EQ(read("SECOND"), 6);
  engine.link.Decodes().Cancel();  // its wait ends after the read got its decode
  press.join();
  engine.link.Decodes().Reopen();
  EXPECT_EQ(data(), "SECOND");

  Decode out;
  engine.SetActive(0);
  EXPECT_EQ(ReceiveDecode(engine, out, 10, Reception::kPressed), 0);
  EXPECT_EQ(data(), "SECOND");
  engine.SetActive(1);
  EXPECT_EQ(ReceiveDecode(engine, out, 10, Reception::kPressed), 0);
  EXPECT_EQ(data(), "");
  EXPECT_EQ(engine.DecodeResult().codeType, 0x01u);
  EXPECT_STREQ(engine.DecodeResult().symbologyName.Narrow(), "Code 39");
}

}  // namespace
}  // namespace bcr
