// The command-line tool, run as a program the way a user runs it: with its built-in simulated
// engine, its exit status, what it prints and what it refuses.
#include <gtest/gtest.h>
#include <semaphore.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/input_events.h"
#include "support/sim_reader.h"

namespace {

using bcr::test::Clock;
using bcr::test::Lines;

// Generous bounds: the tool itself bounds every wait, these only keep a broken tool from
// hanging the suite.
constexpr int kQuickRunMs = 30000;
constexpr int kReaderRunMs = 30000;
constexpr int kDemoRunMs = 60000;

// build/bin/bcreader, beside the folder of the test executables.
std::string ToolPath() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "bin/bcreader";
  path[n] = '\0';
  std::string dir = std::string(path).substr(0, std::string(path).rfind('/'));
  return dir.substr(0, dir.rfind('/')) + "/bin/bcreader";
}

struct ToolResult {
  int status = -1;  // exit status; -1 when it did not exit by itself in time
  std::string out;
  std::string err;
};

// One run of the tool with its own named event and environment; its output goes to files.
class ToolProcess {
 public:
  ToolProcess(const std::vector<std::string> &args,
              const std::vector<std::pair<std::string, std::string>> &env = {}) {
    static int runs = 0;
    event_ = "bcrcli" + std::to_string(getpid()) + "_" + std::to_string(++runs) + "_";
    files_ = ::testing::TempDir() + event_;
    pid_ = fork();
    if (pid_ == 0) {
      if (!freopen((files_ + "out").c_str(), "w", stdout) ||
          !freopen((files_ + "err").c_str(), "w", stderr)) {
        _exit(126);
      }
      for (const char *name :
           {"BCREADER_COM2", "BCREADER_ENGINE_KIND", "BCREADER_SYSLIB", "BCREADER_TRIGGER",
            "BCREADER_SOUND", "BCREADER_KEYBOARD", "BCREADER_REGISTRY"}) {
        unsetenv(name);
      }
      setenv("BCREADER_EVENT_PREFIX", event_.c_str(), 1);
      for (const auto &[name, value] : env) setenv(name.c_str(), value.c_str(), 1);
      std::string tool = ToolPath();
      std::vector<char *> argv{const_cast<char *>(tool.c_str())};
      for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
      argv.push_back(nullptr);
      execv(tool.c_str(), argv.data());
      _exit(127);
    }
  }

  ~ToolProcess() {
    Signal(SIGKILL);
    Finish(0);
    unlink((files_ + "out").c_str());
    unlink((files_ + "err").c_str());
    sem_unlink(("/" + event_ + "DecodeEventBC").c_str());
  }

  bool Started() const { return pid_ > 0; }

  // Waits until stdout holds text or timeoutMs passed.
  bool WaitForOutput(const std::string &text, int timeoutMs) {
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Read("out").find(text) == std::string::npos && Clock::now() < end) usleep(20000);
    return Read("out").find(text) != std::string::npos;
  }

  void Signal(int signal) {
    if (pid_ > 0 && !reaped_) kill(pid_, signal);
  }

  // Waits for the tool to end (killing it after timeoutMs) and takes its output.
  ToolResult Finish(int timeoutMs) {
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    ToolResult result;
    if (pid_ > 0 && !reaped_) {
      int status = 0;
      while (waitpid(pid_, &status, WNOHANG) == 0 && Clock::now() < end) usleep(10000);
      if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
      } else if (WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
      }
      reaped_ = true;
    }
    result.out = Read("out");
    result.err = Read("err");
    return result;
  }

 private:
  std::string Read(const char *which) const {
    std::ifstream in(files_ + which, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  pid_t pid_ = -1;
  bool reaped_ = false;
  std::string event_;
  std::string files_;
};

ToolResult RunTool(const std::vector<std::string> &args, int timeoutMs,
                   const std::vector<std::pair<std::string, std::string>> &env = {}) {
  ToolProcess tool(args, env);
  EXPECT_TRUE(tool.Started());
  return tool.Finish(timeoutMs);
}

// A JSON decode line with its "ms" value replaced by 0, and that value.
std::string WithoutMs(const std::string &line, long *ms = nullptr) {
  std::smatch match;
  static const std::regex kMs("\"ms\":([0-9]+)\\}");
  if (std::regex_search(line, match, kMs) && ms != nullptr) *ms = std::stol(match[1]);
  return std::regex_replace(line, kMs, "\"ms\":0}");
}

const char *const kCommands[] = {"demo", "info",  "read", "listen", "get",
                                 "set",  "reset", "beep", "trace",  "serve"};

TEST(CliHelp, EveryCommandExplainsItself) {
  ToolResult top = RunTool({"--help"}, kQuickRunMs);
  EXPECT_EQ(top.status, 0);
  EXPECT_NE(top.out.find("usage: bcreader <command>"), std::string::npos);
  for (const char *command : kCommands) {
    SCOPED_TRACE(command);
    ToolResult help = RunTool({command, "--help"}, kQuickRunMs);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(std::string("usage: bcreader ") + command, 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(RunTool({"help", command}, kQuickRunMs).out, help.out);
    EXPECT_EQ(RunTool({command, "-h"}, kQuickRunMs).out, help.out);
  }
  // The catalog's options of each symbology, per engine.
  EXPECT_NE(RunTool({"set", "--help"}, kQuickRunMs)
                .out.find("4507: enable gs1_128 isbt128 isbt_concatenation "
                          "isbt_concatenation_redundancy\n"),
            std::string::npos);
}

TEST(CliErrors, UsageErrorsExitOneWithAHintAndTouchNoReader) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"read", "--bogus"},
      {"read", "extra"},
      {"info", "--port", "/dev/null", "--sim", "se955"},
      {"info", "--sim", "z80"},
      {"info", "--sim"},
      {"read", "--timeout", "soon", "--sim", "se955"},
      {"read", "--sim-decode", "x"},
      {"listen", "--count", "0", "--sim", "se955"},
      {"listen", "--json=yes", "--sim", "se955"},
      {"get", "--sim", "se955"},
      {"get", "code94", "--sim", "se955"},
      {"set", "code93", "--sim", "se955"},
      {"beep"},
      {"beep", "10"},
      {"demo", "--engine", "z80"},
      {"help", "frobnicate"},
  };
  for (const std::vector<std::string> &args : cases) {
    std::string line;
    for (const std::string &arg : args) line += arg + " ";
    SCOPED_TRACE(line);
    ToolResult run = RunTool(args, kQuickRunMs);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    if (!args.empty()) {
      EXPECT_NE(run.err.find("--help'."), std::string::npos) << run.err;
    }
  }
}

TEST(CliDemo, WalksThroughEverySectionAndExitsZero) {
  ToolResult run = RunTool({"demo"}, kDemoRunMs);
  EXPECT_EQ(run.status, 0) << run.err;
  const char *const expected[] = {
      "InitReader() = 1",
      "GetDecodeData() = 9: \"DEMO-0001\"",
      "ReadBarcodeData() = 13",
      "Code93_1D_SE955('r') = 1: enable=1 length1=6 length2=55",
      "PostalCode_2D_4507('r') = -253",
      "GetOutputRecord(7) = 20: \"P0015<5901234123457>\"",
      "Code 128 (I), 8 bytes",
      "back to triggered reads",
      "== Done ==",
  };
  size_t from = 0;
  for (const char *text : expected) {
    size_t at = run.out.find(text, from);
    EXPECT_NE(at, std::string::npos) << "missing, or out of order: " << text;
    if (at != std::string::npos) from = at;
  }
}

// A run of the tool against a reader: its exit status, and texts its output holds (or, when
// exact, is).
struct ReaderRun {
  std::vector<std::string> args;
  int status;
  std::vector<std::string> out;
  std::vector<std::string> err;
  bool exact = false;
};

TEST(CliReader, EachCommandPrintsWhatTheReaderAnswersAndExitsWithItsMeaning) {
  const ReaderRun runs[] = {
      {{"info", "--port", "/nonexistent/ttyS9"},
       2,
       {""},
       {"InitReader failed (-103)", "/nonexistent/ttyS9"},
       true},
      {{"info", "--sim", "se955"},
       0,
       {"engine: SE955", "revision: ENG955A7\n", "active: yes", "trigger_mode=8",
        "library version: 1.0.1.0"},
       {}},
      {{"read", "--sim", "4507", "--sim-decode", "HELLO-4507\\"},
       0,
       {"Code 128 (I), 11 bytes, ", " ms: HELLO-4507\\\\\n"},
       {}},
      {{"read", "--sim", "se955", "--timeout", "0.5"}, 3, {""}, {"no decode within"}, true},
      {{"get", "code93", "--sim", "se955"}, 0, {"enable=1\nlength1=4\nlength2=55\n"}, {}, true},
      {{"set", "code93", "length1=5", "enable=off", "--sim", "se955"},
       0,
       {"enable=0\nlength1=5\nlength2=55\n"},
       {},
       true},
      {{"set", "code128", "isbt_concatenation=1", "--sim", "se955"},
       1,
       {""},
       {"isbt_concatenation is not available on the SE955"},
       true},
      {{"get", "postal", "--sim", "4507"}, 0, {"us_postnet=1\nus_planet=1\n"}, {}},
      {{"get", "postal", "--sim", "se955"},
       1,
       {""},
       {"Postal codes options are not available on the SE955"},
       true},
      {{"reset", "--sim", "se955"}, 0, {"restored"}, {}},
      // 0 only when continuous mode was also switched off again.
      {{"listen", "--sim", "se955", "--continuous", "--count", "1", "--sim-decode", "cont"},
       0,
       {"Code 128 (I), 4 bytes, "},
       {"continuous mode"}},
  };
  for (const ReaderRun &expected : runs) {
    SCOPED_TRACE(expected.args[0] + " " + expected.args[1]);
    ToolResult run = RunTool(expected.args, kReaderRunMs);
    EXPECT_EQ(run.status, expected.status) << run.err;
    EXPECT_TRUE(!expected.exact || run.out == expected.out[0]) << run.out;
    for (const std::string &text : expected.out)
      EXPECT_NE(run.out.find(text), std::string::npos) << run.out;
    for (const std::string &text : expected.err)
      EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
  }
}

TEST(CliReader, JsonEscapesTheDataAndNamesWhatTheLibraryNames) {
  // A control character, a quote, a backslash and a byte above 0x7F (Latin-1 e acute).
  const std::string data = "q\"b\\c\t\x01\xe9";
  ToolResult coded =
      RunTool({"read", "--sim", "se955", "--json", "--sim-type", "0x01", "--sim-decode", data},
              kReaderRunMs);
  EXPECT_EQ(coded.status, 0) << coded.err;
  EXPECT_EQ(WithoutMs(coded.out),
            "{\"type\":\"A\",\"symbology\":\"Code 39\",\"data\":\"q\\\"b\\\\c\\t\\u0001\xc3\xa9\","
            "\"length\":8,\"ms\":0}\n");

  // Code type 13 is not in the table: no decode type, and the library's name for it.
  ToolResult unnamed =
      RunTool({"read", "--sim", "se955", "--json", "--sim-type", "13", "--sim-decode", "xyz"},
              kReaderRunMs);
  EXPECT_EQ(unnamed.status, 0) << unnamed.err;
  EXPECT_EQ(WithoutMs(unnamed.out),
            "{\"type\":null,\"symbology\":\"unkonwn\",\"data\":\"xyz\",\"length\":3,\"ms\":0}\n");
}

TEST(CliReader, TraceShowsEveryFrameOfTheReadInOrderAndReadsAFileDecoded) {
  ToolResult run =
      RunTool({"read", "--sim", "se955", "--trace", "--sim-decode", "TR"}, kReaderRunMs);
  EXPECT_EQ(run.status, 0) << run.err;
  size_t at = 0;
  for (const char *frame :
       {"tx  38400  wake [00]\n", "revision request, checksum good [04 A3 04 00 FF 55]\n",
        "rx  38400  revision reply, checksum good [14 A4 00",
        "start decode, checksum good [04 E4 04 00 FF 14]",
        "rx  38400  ack, checksum good [04 D0 00 00 FF 2C]", "07 F3 00 00 03 54 52", "(decode)",
        "ack, checksum good [04 D0 04 00 FF 28]",
        "stop decode, checksum good [04 E5 04 00 FF 13]"}) {
    at = run.err.find(frame, at);
    ASSERT_NE(at, std::string::npos) << frame << " in\n" << run.err;
  }

  char name[] = "/tmp/bcrtrace-XXXXXX";
  const int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  const std::string text =
      "1000 7 tx 9600 07 C6 04 08 FF 9C 08 FD 84 |\n"
      "1250 7 rx 9600 05 D1 00 00 01 FF 28 | NAK\n"
      "1300 7 -- 9600 | engine lost: line hung up\n"
      "garbage\n";
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  ToolResult shown = RunTool({"trace", name}, kQuickRunMs);
  unlink(name);
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(
      Lines(shown.out),
      (std::vector<std::string>{
          "   0.000 s      7 tx   9600  parameter send, checksum good [07 C6 04 08 FF 9C 08 FD 84]",
          "   0.250 s      7 rx   9600  nak, checksum BAD [05 D1 00 00 01 FF 28] (NAK)",
          "   0.300 s      7 --   9600  engine lost: line hung up", "? garbage"}));
  EXPECT_EQ(RunTool({"trace", "/nonexistent/trace"}, kQuickRunMs).status, 2);
}

TEST(CliOptions, SetRefusesBadNamesAndValuesBeforeTouchingTheReader) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"lenght1=5", "unknown option 'lenght1' of code93 (its options: enable, length1, length2)"},
      {"length1=300", "bad value '300' for length1: expected 0..255"},
      {"length1=5x", "bad value '5x' for length1"},
      {"enable=2", "bad value '2' for enable: expected 0 or 1"},
      {"length1", "'length1' is not <option>=<value>"},
  };
  for (const auto &[word, message] : cases) {
    SCOPED_TRACE(word);
    ToolResult run = RunTool({"set", "code93", word, "--sim", "se955"}, kQuickRunMs);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
  ToolResult twice =
      RunTool({"set", "code93", "enable=1", "enable=0", "--sim", "se955"}, kQuickRunMs);
  EXPECT_EQ(twice.status, 1);
  EXPECT_NE(twice.err.find("enable given more than once"), std::string::npos) << twice.err;
}

TEST(CliListen, ReportsTheCharactersTheKeyboardLayoutCouldNotType) {
  const std::string events =
      ::testing::TempDir() + "bcr-cli-keys-" + std::to_string(getpid()) + ".events";
  // The key strokes of a 2-D code's UTF-8 "Z", euro sign, e acute, CJK character, then Enter. On
  // the German layout: Z on the Y key, the euro sign with AltGr, e acute (only a dead key has it)
  // and the CJK character skipped; on the US layout only Z typed.
  const struct {
    const char *layout, *keys, *report;
  } rows[] = {{"de", "+42 +21 -21 -42 +100 +18 -18 -100 +28 -28", ",\"keyboardSkipped\":2}"},
              {"us", "+42 +44 -44 -42 +28 -28", ",\"keyboardSkipped\":3}"}};
  for (const auto &row : rows) {
    unlink(events.c_str());
    ToolResult run =
        RunTool({"listen", "--sim", "4507", "--sim-type", "17", "--json", "--count", "1",
                 "--keyboard", "2", "--sim-decode", "Z\xE2\x82\xAC\xC3\xA9\xE4\xB8\xAD"},
                kReaderRunMs,
                {{"BCREADER_KEYBOARD", "uinput:" + events},
                 {"BCREADER_KEYMAP", row.layout},
                 {"BCREADER_CODEPAGE", "UTF-8"}});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(row.report), std::string::npos) << run.out;
    EXPECT_EQ(bcr::test::KeyString(bcr::test::ReadKeyEvents(events)), row.keys) << row.layout;
  }
  unlink(events.c_str());
}

TEST(CliListen, PrintsEachDecodeAsOneJsonLineAsItArrives) {
  ToolResult run = RunTool({"listen", "--sim", "se955", "--json", "--count", "3", "--sim-decode",
                            "first", "--sim-decode", "second"},
                           kReaderRunMs);
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 3u) << run.out;
  const char *const data[] = {"first", "second", "first"};
  long previous = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    long ms = -1;
    EXPECT_EQ(WithoutMs(lines[i], &ms),
              std::string("{\"type\":\"I\",\"symbology\":\"Code 128\",\"data\":\"") + data[i] +
                  "\",\"length\":" + std::to_string(std::strlen(data[i])) + ",\"ms\":0}");
    EXPECT_GT(ms, previous);
    previous = ms;
  }
  EXPECT_NE(run.err.find("triggered mode"), std::string::npos);
}

TEST(CliListen, StopsCleanlyWhenInterrupted) {
  ToolProcess tool({"listen", "--sim", "se955"});
  ASSERT_TRUE(tool.Started());
  ASSERT_TRUE(tool.WaitForOutput("\n", kReaderRunMs));
  tool.Signal(SIGINT);
  ToolResult run = tool.Finish(kReaderRunMs);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Code 39 (A), 11 bytes, "), std::string::npos) << run.out;
}

TEST(CliBeep, PlaysTheTableSoundOrAFileThroughTheSoundOutput) {
  char folder[] = "/tmp/bcrcli-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string record = std::string(folder) + "/sound.txt";
  ToolResult table = RunTool({"beep", "2"}, kQuickRunMs, {{"BCREADER_SOUND", "record:" + record}});
  EXPECT_EQ(table.status, 0) << table.err;
  ToolResult file = RunTool({"beep", "--file", "/tmp/bell.wav"}, kQuickRunMs,
                            {{"BCREADER_SOUND", "record:" + record}});
  EXPECT_EQ(file.status, 0) << file.err;
  std::ifstream in(record);
  std::stringstream played;
  played << in.rdbuf();
  EXPECT_NE(played.str().find("\\Windows\\Hwandsw"), std::string::npos) << played.str();
  EXPECT_NE(played.str().find("/tmp/bell.wav"), std::string::npos) << played.str();
  unlink(record.c_str());
  rmdir(folder);
}

}  // namespace
