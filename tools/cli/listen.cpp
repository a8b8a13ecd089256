// listen: each decode the library delivers, printed as it arrives, until interrupted, a count of
// decodes or a time-out. With the simulated engine a simulated user scans now and then.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "bcreader.h"
#include "bcreader_posix.h"
#include "commands.h"
#include "exit_codes.h"
#include "option_access.h"
#include "trace_view.h"

namespace cli {

namespace {

// The start of the note of the trace line the library writes for each character its keyboard
// output skips.
constexpr char kKeyboardSkipNote[] = "keyboard: U+";

// The simulated user scans this often, starting this soon.
constexpr int kSimScanIntervalMs = 1000;
constexpr int kSimFirstScanMs = 300;
// Between the trigger press and the engine's decode, as a user aims.
constexpr int kSimAimMs = 100;
// How long one turn of the loop dispatches the library's messages.
constexpr int kDispatchSliceMs = 10;

struct ListenOptions {
  int64_t timeoutMs = 0;  // 0: no time-out
  int64_t count = 0;      // 0: no limit
  int64_t keyboard = 0;   // keyboard output: 0 off, 1 characters, 2 key strokes
  bool json = false;
  bool continuous = false;
  uint8_t simCodeType = 0;              // of the samples given
  std::vector<std::string> simSamples;  // --sim-decode, scanned in turn
};

bool ParseListenOptions(const Arguments &args, ListenOptions *options, std::string *error) {
  if (!args.positionals.empty()) {
    *error = "takes no arguments";
    return false;
  }
  if (!TimeoutOption(args, &options->timeoutMs, error) ||
      !SimCodeType(args, &options->simCodeType, error)) {
    return false;
  }
  if (const std::string *text = args.Value("count")) {
    if (!ParseInteger(*text, 1, INT32_MAX, &options->count)) {
      *error = "--count needs a number of decodes, 1 or more";
      return false;
    }
  }
  if (const std::string *text = args.Value("keyboard")) {
    if (!ParseInteger(*text, 1, 2, &options->keyboard)) {
      *error = "--keyboard needs 1 (characters) or 2 (key strokes)";
      return false;
    }
  }
  options->json = args.Has("json");
  options->continuous = args.Has("continuous");
  options->simSamples = args.Values("sim-decode");
  return true;
}

volatile std::sig_atomic_t gStop = 0;

void OnStopSignal(int) {
  gStop = 1;
}

// While it lives SIGINT and SIGTERM end the listening instead of the process.
class StopSignals {
 public:
  StopSignals() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
  }
  ~StopSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
  }
  StopSignals(const StopSignals &) = delete;
  StopSignals &operator=(const StopSignals &) = delete;

  bool Arrived() const { return gStop != 0; }
};

// The reader up with the window that sees its broadcasts, keyboard output and continuous mode
// as asked; false with the exit status in *status.
bool StartListening(const ReaderSetup &setup, const ListenOptions &options, Session *session,
                    ContinuousMode *mode, int *status) {
  if (!StartReader(setup, session, status)) return false;
  if (!session->OpenWindow()) {
    *status = ReaderError("cannot create a window for the decode broadcast");
    return false;
  }
  int32_t keyboardOutput = static_cast<int32_t>(options.keyboard);
  if (options.keyboard != 0 && DataOutputSettings(BCR_MODE_WRITE, &keyboardOutput, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, 0, nullptr, 0) != 1) {
    *status = ReaderError("cannot switch keyboard output on");
    return false;
  }
  std::string error;
  if (options.continuous && ContinuousOn(session->DeviceType(), {}, mode, &error) != 1) {
    *status = ReaderError("cannot switch continuous mode on: " + error);
    return false;
  }
  return true;
}

void AnnounceListening(const Session &session, const ListenOptions &options) {
  if (!options.continuous && session.Sim() == nullptr && getenv("BCREADER_TRIGGER") == nullptr) {
    std::fprintf(stderr,
                 "bcreader: BCREADER_TRIGGER is not set, so no scan key starts reads; set it "
                 "(e.g. /dev/input/event2:191) or use --continuous\n");
  }
  std::fprintf(stderr, "listening on %s (%s mode); Ctrl-C stops\n", session.PortPath().c_str(),
               options.continuous ? "continuous" : "triggered");
}

void PrintReaderState(bool back, int64_t ms, bool json) {
  if (json) {
    std::printf("{\"readerState\":\"%s\",\"ms\":%lld}\n", back ? "back" : "lost",
                static_cast<long long>(ms));
  } else {
    std::printf("reader state: %s (%lld ms)\n",
                back ? "back, the engine answers again" : "lost, the engine does not answer",
                static_cast<long long>(ms));
  }
}

// A user at the simulated engine: presses the scan key (not in continuous mode) at each interval
// and, as soon as aimed, has the engine decode the next sample.
class SimulatedUser {
 public:
  SimulatedUser(const ListenOptions &options, Clock::time_point start)
      : options_(options), nextScan_(start + std::chrono::milliseconds(kSimFirstScanMs)) {}

  void Act(Session &session) {
    Clock::time_point now = Clock::now();
    if (now >= nextScan_) {
      nextScan_ = now + std::chrono::milliseconds(kSimScanIntervalMs);
      if (!options_.continuous) session.PressTrigger();
      sendAt_ = now + std::chrono::milliseconds(kSimAimMs);
    }
    if (now >= sendAt_) {
      sendAt_ = Clock::time_point::max();
      session.Sim()->SendDecode(NextSample());
      ++scans_;
    }
  }

 private:
  bcrsim::Decode NextSample() const {
    // What a user scans when none is given: three symbologies in turn.
    static const std::pair<uint8_t, const char *> kSamples[] = {
        {0x01, "CODE39-0001"}, {0x03, "0123456789"}, {0x0B, "5901234123457"}};
    const std::vector<std::string> &given = options_.simSamples;
    if (!given.empty()) return SimDecode(options_.simCodeType, given[scans_ % given.size()]);
    const auto &[type, text] = kSamples[scans_ % std::size(kSamples)];
    return SimDecode(type, text);
  }

  const ListenOptions &options_;
  Clock::time_point nextScan_;
  Clock::time_point sendAt_ = Clock::time_point::max();
  size_t scans_ = 0;
};

// Prints what the library delivers until a stop signal, the count or the time-out; the number of
// decodes printed.
int64_t PrintDeliveries(Session &session, const ListenOptions &options, TraceFile &trace,
                        const StopSignals &stop) {
  const Clock::time_point start = Clock::now();
  SimulatedUser user(options, start);
  int64_t printed = 0;
  int seen = 0;
  while (!stop.Arrived() && (options.count == 0 || printed < options.count) &&
         (options.timeoutMs == 0 || MillisecondsSince(start) < options.timeoutMs)) {
    BcrDispatchMessages(kDispatchSliceMs);
    for (bool back : session.TakeReaderStates()) {
      PrintReaderState(back, MillisecondsSince(start), options.json);
    }
    if (session.Delivered() != seen) {
      seen = session.Delivered();
      DecodeReport decode;
      if (session.FetchDecode(&decode)) {
        decode.ms = MillisecondsSince(start);
        // The library types a decode before it broadcasts it, so its skips are counted by now.
        if (options.keyboard != 0) decode.keyboardSkipped = trace.CountNew(kKeyboardSkipNote);
        PrintDecode(decode, options.json);
        ++printed;
      }
    }
    if (session.Sim() != nullptr) user.Act(session);
  }
  return printed;
}

}  // namespace

int RunListen(const Arguments &args, const ReaderSetup &setup) {
  ListenOptions options;
  std::string error;
  if (!ParseListenOptions(args, &options, &error)) return UsageError("listen", error);

  // The library tells the characters its keyboard output skips in the wire trace.
  TraceFile trace;
  if (options.keyboard != 0 && !trace.Open()) {
    return ReaderError("cannot make a file for the wire trace");
  }
  Session session;
  ContinuousMode mode;
  int status = kExitSuccess;
  if (!StartListening(setup, options, &session, &mode, &status)) return status;
  AnnounceListening(session, options);

  int64_t printed = 0;
  bool interrupted = false;
  {
    StopSignals stop;
    printed = PrintDeliveries(session, options, trace, stop);
    interrupted = stop.Arrived();
  }
  if (options.continuous && ContinuousOff(&mode, &error) != 1) {
    return ReaderError("cannot switch continuous mode off: " + error);
  }
  if (options.timeoutMs != 0 && printed == 0 && !interrupted) return kExitNoDecode;
  return kExitSuccess;
}

}  // namespace cli
