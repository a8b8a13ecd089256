// serve: the reader on D-Bus. The library owns the name and its own interface; the service's
// interface is added through BcrBusServe, and this thread runs the message loop the library's
// window needs until SIGTERM or SIGINT.
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bcreader.h"
#include "bcreader_posix.h"
#include "commands.h"
#include "exit_codes.h"
#include "reader_service.h"

namespace cli {

namespace {

// How long the loop dispatches before it looks for a stop signal.
constexpr int kDispatchSliceMs = 50;

// Signals that stop the service, taken from a signalfd: they are blocked in every thread, so
// none runs a handler.
class StopSignals {
 public:
  // Blocks SIGTERM and SIGINT for this thread and every thread started after.
  StopSignals() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGTERM);
    sigaddset(&set_, SIGINT);
    if (pthread_sigmask(SIG_BLOCK, &set_, nullptr) == 0) {
      fd_ = signalfd(-1, &set_, SFD_NONBLOCK | SFD_CLOEXEC);
    }
  }
  ~StopSignals() {
    if (fd_ >= 0) close(fd_);
  }
  StopSignals(const StopSignals &) = delete;
  StopSignals &operator=(const StopSignals &) = delete;

  bool Ready() const { return fd_ >= 0; }
  bool Arrived() {
    signalfd_siginfo info;
    return read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info);
  }

 private:
  sigset_t set_;
  int fd_ = -1;
};

// The library's bus thread may run the service's handlers until the library is unloaded, after
// RunServe returns: the service lives until the process ends, held here where a leak checker
// sees it.
ReaderService *theService = nullptr;

}  // namespace

int RunServe(const Arguments &args, const ReaderSetup &setup) {
  if (!args.positionals.empty()) return UsageError("serve", "takes no arguments");
  uint8_t codeType = 0;
  std::string error;
  if (!SimCodeType(args, &codeType, &error)) return UsageError("serve", error);
  // Before the simulator and the library start their threads.
  StopSignals stop;
  if (!stop.Ready()) return ReaderError("cannot take SIGTERM and SIGINT through a signalfd");
  Session session;
  int status = kExitSuccess;
  if (!StartReader(setup, &session, &status)) return status;
  DecodeOnStart(args, codeType, session);
  char revision[64] = {};
  if (GetDecoderVersion(BCR_READER_DEVICE, revision, sizeof revision) != 1) revision[0] = '\0';

  theService = new ReaderService(session.DeviceType(), revision);
  ReaderService *service = theService;
  const int served = BcrBusServe(&ReaderService::Attach, service);
  if (served != BCR_BUS_OWNED) {
    service->Stop();
    if (served == BCR_BUS_TAKEN) {
      std::fprintf(stderr, "bcreader: org.bcreader.Reader1 is taken by another process\n");
    } else {
      const char *bus = getenv("BCREADER_BUS");
      std::fprintf(stderr, "bcreader: no D-Bus bus can be reached (BCREADER_BUS=%s)\n",
                   bus != nullptr ? bus : "session");
    }
    return kExitNotServed;
  }
  std::printf("serving the %s as org.bcreader.Reader1; SIGTERM or Ctrl-C stops\n",
              session.EngineName());

  while (!stop.Arrived()) BcrDispatchMessages(kDispatchSliceMs);

  // The calls taken are answered while this thread goes on dispatching for the library.
  std::atomic<bool> stopped{false};
  std::thread stopper([service, &stopped] {
    service->Stop();
    stopped = true;
  });
  while (!stopped) BcrDispatchMessages(kDispatchSliceMs);
  stopper.join();
  std::printf("stopped\n");
  return kExitSuccess;
}

}  // namespace cli
