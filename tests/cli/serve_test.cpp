// bcreader serve on a private session bus, called as other processes call it (gdbus, busctl):
// options by the catalog's names, the errors, one read at a time, one service per name, and how
// it stops.
#include <gtest/gtest.h>
#include <semaphore.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Bounds that only keep a broken service from hanging the suite.
constexpr int kWaitMs = 30000;

std::string BinFolder() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  path[n > 0 ? n : 0] = '\0';
  std::string dir = std::string(path).substr(0, std::string(path).rfind('/'));
  return dir.substr(0, dir.rfind('/')) + "/bin/";
}

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

// A program run in the background, standard output and error into one file.
class Child {
 public:
  Child(const std::vector<std::string> &argv) {
    static int children = 0;
    tag_ = "bcrserve" + std::to_string(getpid()) + "_" + std::to_string(++children) + "_";
    file_ = ::testing::TempDir() + tag_ + "out";
    pid_ = fork();
    if (pid_ != 0) return;
    if (!freopen(file_.c_str(), "w", stdout) || dup2(1, 2) < 0) _exit(126);
    for (const char *name : {"BCREADER_COM2", "BCREADER_ENGINE_KIND", "BCREADER_SYSLIB",
                             "BCREADER_TRIGGER", "BCREADER_REGISTRY", "BCREADER_BUS"}) {
      unsetenv(name);
    }
    setenv("BCREADER_EVENT_PREFIX", tag_.c_str(), 1);
    std::vector<char *> args;
    for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  Child(const Child &) = delete;
  Child &operator=(const Child &) = delete;
  ~Child() {
    Signal(SIGKILL);
    Wait(0);
    unlink(file_.c_str());
    sem_unlink(("/" + tag_ + "DecodeEventBC").c_str());
  }
  std::string Output() const {
    std::ifstream in(file_);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool WaitForOutput(const std::string &text) {
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(kWaitMs);
    while (Output().find(text) == std::string::npos && Clock::now() < end) usleep(20000);
    return Output().find(text) != std::string::npos;
  }
  void Signal(int signal) {
    if (status_ == kRunning) kill(pid_, signal);
  }
  // The exit status; -2 when it ended by a signal, -1 when it had not ended within timeoutMs.
  int Wait(int timeoutMs) {
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (status_ == kRunning && waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() >= end) return -1;
      usleep(10000);
    }
    if (status_ == kRunning) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    return status_;
  }

 private:
  static constexpr int kRunning = -1;
  pid_t pid_ = -1;
  int status_ = kRunning;
  std::string tag_;
  std::string file_;
};

class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bus_ = std::make_unique<Child>(
        std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus_->WaitForOutput("\n")) << bus_->Output();
    const std::string address = bus_->Output();
    setenv("DBUS_SESSION_BUS_ADDRESS", address.substr(0, address.find('\n')).c_str(), 1);
  }

  // A service with the simulated SE955, once it serves.
  std::unique_ptr<Child> Serve(const std::vector<std::string> &extra = {}) {
    std::vector<std::string> argv{BinFolder() + "bcreader", "serve", "--sim", "se955"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    auto serve = std::make_unique<Child>(argv);
    EXPECT_TRUE(serve->WaitForOutput("serving the SE955")) << serve->Output();
    return serve;
  }

  std::unique_ptr<Child> bus_;
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
      {kService + "SetOption", "code39 enable off", "Error parsing parameter 3"},
      {kService + "SetOption", "code39 enable 0", "()"},
      {kService + "GetOption", "code39 enable", "(0,)"},
      {kService + "GetOption", "code39 nope", "Error.UnknownOption: unknown option 'nope'"},
      {kService + "GetOption", "code94 enable", "Error.UnknownOption: unknown symbology"},
      {kService + "GetOption", "symbologies2d pdf417", "Error.UnknownOption"},
      {kService + "SetOption", "code39 enable 2", "Error.OutOfRange"},
      {kService + "SetOption", "code39 length1 256", "Error.OutOfRange"},
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
  Child second({BinFolder() + "bcreader", "serve", "--sim", "se955"});
  EXPECT_EQ(second.Wait(kWaitMs), 1);
  EXPECT_NE(second.Output().find("bcreader: org.bcreader.Reader1 is taken by another process\n"),
            std::string::npos)
      << second.Output();
  first->Signal(SIGTERM);
  EXPECT_EQ(first->Wait(kWaitMs), 0) << first->Output();
}

TEST_F(ServeTest, WithoutABusItSaysSoAndExitsOne) {
  Child serve({"env", "BCREADER_BUS=none", BinFolder() + "bcreader", "serve", "--sim", "se955"});
  EXPECT_EQ(serve.Wait(kWaitMs), 1);
  EXPECT_NE(serve.Output().find("bcreader: no D-Bus bus can be reached (BCREADER_BUS=none)\n"),
            std::string::npos)
      << serve.Output();
}

TEST_F(ServeTest, OneReadAtATimeAndACallerThatGoesLeavesItServing) {
  auto serve = Serve({"--sim-decode", "HELLO"});
  const std::string kRead = "org.bcreader.Service1.ReadBarcodeData";
  // Code 128's decode type character and the data.
  EXPECT_EQ(Call(kRead), "(uint32 73, [byte 0x48, 0x45, 0x4c, 0x4c, 0x4f])\n");
  // The reads from now on last the decode time-out: of two callers one reads, the other is
  // refused at once; the reading one is killed in the middle of its read.
  Child callers[] = {Child({"sh", "-c", "exec " + CallLine(kRead)}),
                     Child({"sh", "-c", "exec " + CallLine(kRead)})};
  auto refused = [&](int i) { return callers[i].Output().find("Error.Busy: a read runs"); };
  Clock::time_point end = Clock::now() + std::chrono::milliseconds(kWaitMs);
  while (refused(0) == std::string::npos && refused(1) == std::string::npos && Clock::now() < end) {
    usleep(10000);
  }
  const int reader = refused(0) == std::string::npos ? 0 : 1;
  ASSERT_NE(refused(1 - reader), std::string::npos);
  EXPECT_EQ(callers[reader].Output(), "");
  callers[reader].Signal(SIGKILL);
  EXPECT_EQ(Call("org.bcreader.Service1.GetOption", "code39 enable"), "(1,)\n");
  std::string reply;
  end = Clock::now() + std::chrono::milliseconds(kWaitMs);
  do {
    reply = Call(kRead);
  } while (reply.find("Error.Busy") != std::string::npos && Clock::now() < end);
  EXPECT_EQ(reply, "(uint32 0, @ay [])\n");
  serve->Signal(SIGINT);
  EXPECT_EQ(serve->Wait(kWaitMs), 0) << serve->Output();
}

}  // namespace
