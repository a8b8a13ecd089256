// The reader on a bus of the test's own, heard and pressed by clients in other processes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/private_bus.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

class Bus : public SimReader {
 protected:
  void StartReader() {
    // The link follows the engine when it is plugged in again.
    auto engine = bcrsim::Engine::SE955().Speed(38400).Link(scratch_.File("com2")).Start();
    Start(std::move(engine), "1",
          {{"BCREADER_COM2", scratch_.File("com2")},
           {"BCREADER_BUS", "session"},
           {"BCREADER_TRACE", scratch_.File("trace")}});
    ASSERT_FALSE(HasFatalFailure());
    decodeData_ = BCR_FN(library_, BcrRegisterWindowMessage)("WM_DECODEDATA");
    ASSERT_NE(BCR_FN(library_, BcrCreateWindow)("BusTest", CountDecodes), nullptr);
  }
  // The engine's decode on a press; true once the reader has broadcast it.
  bool Scan(const std::string &data, uint8_t codeType = 0x03) {
    const int before = decodes_;
    Press();
    engine_->SendDecode(Decoding(data, codeType));
    return PumpUntil([&] { return decodes_ > before; }, 5000);
  }
  int TraceCount(const std::string &text) {
    const std::string trace = ReadFile(scratch_.File("trace"));
    int count = 0;
    for (size_t at = 0; (at = trace.find(text, at)) != std::string::npos; ++at) ++count;
    return count;
  }

  static intptr_t CountDecodes(BcrWindow, uint32_t msg, uintptr_t, intptr_t) {
    if (msg == decodeData_) ++decodes_;
    return 0;
  }
  static inline uint32_t decodeData_ = 0;
  static inline int decodes_ = 0;

  PrivateBus bus_{scratch_.Path()};
};

// The data as bytes, unaltered; the catch-up gives a late client what it missed, once, and a
// client that posts the trigger message starts a read that every client hears.
TEST_F(Bus, ClientsHearEveryDecodeOnceAndPressTheTrigger) {
  ASSERT_TRUE(bus_.Start());
  StartReader();
  ASSERT_FALSE(HasFatalFailure());
  auto early = StartListener(3);
  ASSERT_NE(early, nullptr);
  ASSERT_TRUE(Scan(std::string("A\0\xFF\x80z", 5)));
  ASSERT_TRUE(Scan("B2", 0x01));

  auto late = StartListener(3, 0);
  ASSERT_NE(late, nullptr);
  auto post = std::make_unique<Child>(BusClientArgs({"post", "WM_USER1DOWN"}));
  EXPECT_EQ(post->Wait(10000), 0) << ::testing::PrintToString(post->Lines());
  const int before = decodes_;
  engine_->SendDecode(Decoding("C3", 0x03));
  ASSERT_TRUE(PumpUntil([&] { return decodes_ > before; }, 5000));

  const std::vector<std::string> expected = {"I 4100FF807A Code 128", "A 4232 Code 39",
                                             "I 4333 Code 128"};
  for (Child *client : {early.get(), late.get()}) {
    EXPECT_EQ(client->Wait(10000), 0);
    EXPECT_EQ(ClientDecodes(*client), expected);
  }

  // Only the trigger messages are another process's to post.
  for (const char *message : {"WM_DECODE", "WM_DECODEDATA", ""}) {
    Child refused(BusClientArgs({"post", message}));
    EXPECT_EQ(refused.Wait(10000), 1) << message;
    EXPECT_EQ(refused.Lines(),
              std::vector<std::string>{"org.bcreader.Reader1.Error.UnknownMessage"});
  }
}

// Without a bus the reader works as ever (traced once); a bus that comes later, or comes back
// after going away, finds it again; a client hears the engine go away and come back.
TEST_F(Bus, ReaderOutlivesTheBusAndClientsHearTheEngineComeBack) {
  StartReader();
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(Scan("no bus"));
  EXPECT_EQ(TraceCount("bus: no session bus"), 1);

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(bus_.Start());
    auto client = StartListener(1);
    ASSERT_NE(client, nullptr);
    ASSERT_TRUE(Scan("on bus"));
    EXPECT_EQ(client->Wait(10000), 0);
    EXPECT_EQ(ClientDecodes(*client), std::vector<std::string>{"I 6F6E20627573 Code 128"});
    if (round == 0) bus_.Stop();
  }
  EXPECT_EQ(TraceCount("bus: no session bus"), 1);

  auto client = StartListener(1);
  ASSERT_NE(client, nullptr);
  engine_->Replug(500);
  EXPECT_TRUE(client->WaitForLine("state 1", 20000)) << ::testing::PrintToString(client->Lines());
  const std::vector<std::string> &lines = client->Lines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
            (std::vector<std::string>{"state 0", "state 1"}));
}

}  // namespace
}  // namespace bcr::test
