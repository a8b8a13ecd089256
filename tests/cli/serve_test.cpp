// bcreader serve on a private session bus, called as other processes call it (gdbus, busctl):
// options by the catalog's names, the errors, one read at a time, one service per name, and how
// it stops.
#include <gtest/gtest.h>
#include <semaphore.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/private_bus.h"

namespace {

using bcr::test::Child;

// Bounds that only keep a broken service from hanging the suite.
constexpr int kWaitMs = 30000;

// What a shell command line prints (standard output and error).
std::string Shell(const std::string &command) {
  std::string text;
  if (FILE *pipe = popen((command + " 2>&1").c_str(), "r")) {
    char chunk[4096];
    while (size_t n = fread(chunk, 1, sizeof chunk, pipe)) text.append(chunk, n);
    pclose(pipe);
  }
  return text;
}

std::string CallLine(const std::string &method) {
  return "gdbus call --session --timeout 20 --dest org.bcreader.Reader1 --object-path "
         "/org/bcreader/Reader1 --method " +
         method;
}

std::string Call(const std::string &method, const std::string &args = "") {
  return Shell(CallLine(method) + " " + args);
}

// A program run through the shell with its standard error in its standard output.
std::unique_ptr<Child> Start(const std::string &command) {
  return std::make_unique<Child>(std::vector<std::string>{"sh", "-c", "exec " + command + " 2>&1"});
}

std::string Text(Child &child) {
  std::string text;
  for (const std::string &line : child.Lines()) text += line + "\n";
  return text;
}

class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/bcreader-serve-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    bus_ = std::make_unique<bcr::test::PrivateBus>(folder_);
    ASSERT_TRUE(bus_->Start());
    for (const char *name : {"BCREADER_COM2", "BCREADER_ENGINE_KIND", "BCREADER_SYSLIB",
                             "BCREADER_TRIGGER", "BCREADER_REGISTRY"}) {
      unsetenv(name);
    }
    setenv("BCREADER_BUS", "session", 1);
    setenv("BCREADER_EVENT_PREFIX", ("bcrserve" + std::to_string(getpid()) + "_").c_str(), 1);
  }
  void TearDown() override {
    bus_.reset();
    sem_unlink(("/bcrserve" + std::to_string(getpid()) + "_DecodeEventBC").c_str());
    unlink((folder_ + "/bus").c_str());
    rmdir(folder_.c_str());
  }

  // A service with the simulated SE955, once it serves.
  std::unique_ptr<Child> Serve(const std::string &extra = "") {
    auto serve = Start(bcr::test::LibDir() + "/../bin/bcreader serve --sim se955 " + extra);
    EXPECT_TRUE(serve->WaitForLine("serving the SE955", kWaitMs)) << Text(*serve);
    return serve;
  }

  std::string folder_;
  std::unique_ptr<bcr::test::PrivateBus> bus_;
};

TEST_F(ServeTest, OptionsAndSettingsByNameWithTheirErrors) {
  auto serve = Serve();
  const std::string kService = "org.bcreader.Service1.";
  const std::string kBusctl =
      "busctl --user call org.bcreader.Reader1 /org/bcreader/Reader1 org.bcreader.Service1 ";
  const struct {
    std::string method, args, expected;
  } kCases[] = {
      {kService + "SetOption", "code39 length1 7", "()"},
      {kService + "GetOption", "code39 length1", "(7,)"},
      {kService + "SetOption", "code39 enable 0", "()"},
      {kService + "GetOption", "code39 enable", "(0,)"},
      {kService + "GetOption", "code39 nope", "Error.UnknownOption: unknown option 'nope'"},
      {kService + "GetOption", "code94 enable", "Error.UnknownOption: unknown symbology"},
      {kService + "GetOption", "symbologies2d pdf417", "Error.UnknownOption"},
      {kService + "SetOption", "code39 enable 2", "Error.OutOfRange"},
      {kService + "SetOption", "code39 length1 256", "Error.OutOfRange"},
      {kService + "Options", "", "([('code39', 'enable'), ('code39', 'trioptic'), "},
      {kService + "SetOutputSettings", "\"{'codeId': 1}\"", "()"},
      {kService + "GetOutputSettings", "", "'terminatorKey': 1, 'codeId': 1, 'length': 0}"},
      {kService + "SetOutputSettings", "\"{'prefix': 1}\"", "Error.UnknownOption"},
      {"org.freedesktop.DBus.Properties.Get", "org.bcreader.Service1 ReaderType", "(<128>,)"},
      {"", kBusctl + "GetOption i 5", "Invalid arguments 'i' to call"},
  };
  for (const auto &row : kCases) {
    SCOPED_TRACE(row.method + " " + row.args);
    const std::string reply = row.method.empty() ? Shell(row.args) : Call(row.method, row.args);
    EXPECT_NE(reply.find(row.expected), std::string::npos) << reply;
  }
}

TEST_F(ServeTest, OneServiceHoldsTheNameAndSigtermStopsIt) {
  auto first = Serve();
  auto second = Start(bcr::test::LibDir() + "/../bin/bcreader serve --sim se955");
  EXPECT_EQ(second->Wait(kWaitMs), 1);
  EXPECT_NE(Text(*second).find("bcreader: org.bcreader.Reader1 is taken by another process\n"),
            std::string::npos)
      << Text(*second);
  first->Kill(SIGTERM);
  EXPECT_EQ(first->Wait(kWaitMs), 0) << Text(*first);
}

TEST_F(ServeTest, WithoutABusItSaysSoAndExitsOne) {
  auto serve =
      Start("env BCREADER_BUS=none " + bcr::test::LibDir() + "/../bin/bcreader serve --sim se955");
  EXPECT_EQ(serve->Wait(kWaitMs), 1);
  EXPECT_NE(Text(*serve).find("bcreader: no D-Bus bus can be reached (BCREADER_BUS=none)\n"),
            std::string::npos)
      << Text(*serve);
}

TEST_F(ServeTest, OneReadAtATimeAndACallerThatGoesLeavesItServing) {
  auto serve = Serve("--sim-decode HELLO");
  const std::string kRead = "org.bcreader.Service1.ReadBarcodeData";
  // Code 128's decode type character and the data.
  EXPECT_EQ(Call(kRead), "(uint32 73, [byte 0x48, 0x45, 0x4c, 0x4c, 0x4f])\n");
  // The reads from now on last the decode time-out: of two callers one reads, the other is
  // refused at once; the reading one is killed in the middle of its read.
  std::unique_ptr<Child> callers[] = {Start(CallLine(kRead)), Start(CallLine(kRead))};
  const std::string kBusy = "Error: GDBus.Error:org.bcreader.Service1.Error.Busy: a read runs";
  int reader = -1;
  for (int i = 0; reader < 0 && i < kWaitMs / 10; ++i) {
    if (callers[i % 2]->WaitForLine(kBusy, 10)) reader = 1 - i % 2;
  }
  ASSERT_GE(reader, 0);
  EXPECT_EQ(callers[reader]->Wait(0), -1) << Text(*callers[reader]);
  callers[reader]->Kill();
  EXPECT_EQ(Call("org.bcreader.Service1.GetOption", "code39 enable"), "(1,)\n");
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  std::string reply = kBusy;
  while (reply.find(kBusy) != std::string::npos && std::chrono::steady_clock::now() < end) {
    reply = Call(kRead);
  }
  EXPECT_EQ(reply, "(uint32 0, @ay [])\n");
  serve->Kill(SIGINT);
  EXPECT_EQ(serve->Wait(kWaitMs), 0) << Text(*serve);
}

}  // namespace
