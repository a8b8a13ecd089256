// A dbus-daemon of the test's own, and clients of the reader in processes of their own: the bus
// tests never touch the machine's buses.
#ifndef BCREADER_TESTS_SUPPORT_PRIVATE_BUS_H
#define BCREADER_TESTS_SUPPORT_PRIVATE_BUS_H

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/library_env.h"

namespace bcr::test {

// A child process whose standard output the test reads line by line.
class Child {
 public:
  // quiet: its standard error goes nowhere.
  explicit Child(const std::vector<std::string> &argv, bool quiet = false) {
    // Made before the fork: the child of a process with threads may not allocate.
    std::vector<char *> args;
    for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      if (quiet) dup2(open("/dev/null", O_WRONLY), 2);
      execvp(args[0], args.data());
      _exit(127);
    }
    close(out[1]);
    out_ = out[0];
  }
  ~Child() {
    Kill();
    if (out_ >= 0) close(out_);
  }
  Child(const Child &) = delete;
  Child &operator=(const Child &) = delete;

  // Reads until a line that begins with prefix has come (true) or ms passed or the output ended.
  bool WaitForLine(const std::string &prefix, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (size_t seen = 0;;) {
      for (; seen < lines_.size(); ++seen) {
        if (lines_[seen].compare(0, prefix.size(), prefix) == 0) return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || !ReadSome(static_cast<int>(left))) return false;
    }
  }
  // Reads until count lines have come (true) or ms passed or the output ended.
  bool WaitForLines(size_t count, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (lines_.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || !ReadSome(static_cast<int>(left))) return false;
    }
    return true;
  }
  // The lines so far (all of them once the child has ended).
  const std::vector<std::string> &Lines() {
    while (ReadSome(0)) {
    }
    return lines_;
  }
  // The exit status, waiting up to ms; -1 when it has not ended.
  int Wait(int ms) {
    if (status_ >= 0 || pid_ <= 0) return status_;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        Lines();
        return status_;
      }
      if (std::chrono::steady_clock::now() >= end) return -1;
      ReadSome(10);  // waits on the output, which also ends when the child does
    }
  }
  void Kill(int signal = SIGKILL) {
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, signal);
      if (signal == SIGKILL) Wait(5000);
    }
  }
  pid_t Pid() const { return pid_; }

 private:
  // Reads what is there within ms; false when nothing came (or the output has ended).
  bool ReadSome(int ms) {
    if (out_ < 0) return false;
    pollfd fd{out_, POLLIN, 0};
    if (poll(&fd, 1, ms) <= 0) return false;
    char buffer[4096];
    ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) return false;
    partial_.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = partial_.find('\n')) != std::string::npos;) {
      lines_.push_back(partial_.substr(0, end));
      partial_.erase(0, end + 1);
    }
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int status_ = -1;
  std::string partial_;
  std::vector<std::string> lines_;
};

// A session bus on a socket in folder; the library and the clients reach it through
// DBUS_SESSION_BUS_ADDRESS, which it sets. The library joins it with BCREADER_BUS=session (the
// tests' environment says none).
class PrivateBus {
 public:
  explicit PrivateBus(const std::string &folder)
      : socket_(folder + "/bus"), address_("unix:path=" + socket_) {
    setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
  }
  // Starts the daemon (again, at the same address, after Stop); true once it listens.
  bool Start() {
    unlink(socket_.c_str());
    daemon_.reset(new Child({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                             "--address=" + address_, "--print-address=1"},
                            true));
    return daemon_->WaitForLine("unix:", 10000);
  }
  void Stop() { daemon_.reset(); }
  const std::string &Address() const { return address_; }

 private:
  std::string socket_;
  std::string address_;
  std::unique_ptr<Child> daemon_;
};

// The test client (tests/bus/bus_client.cpp), beside the test programs.
inline std::vector<std::string> BusClientArgs(std::vector<std::string> args) {
  args.insert(args.begin(), LibDir() + "/../tests/bcreader-bus-client");
  return args;
}

// A client that listens for count decodes (first catching up from since, when given), started and
// ready: subscribed once the reader owns its name. Null when it did not get ready.
inline std::unique_ptr<Child> StartListener(int count, int since = -1, int timeoutMs = 20000) {
  std::vector<std::string> args = {"listen", "--count", std::to_string(count), "--timeout",
                                   std::to_string(timeoutMs)};
  if (since >= 0) args.insert(args.end(), {"--since", std::to_string(since)});
  auto client = std::make_unique<Child>(BusClientArgs(args));
  if (!client->WaitForLine("ready", timeoutMs)) client.reset();
  return client;
}

// The decode lines of a client without their sequence numbers and times of arrival:
// "<type> <data in hex> <symbology>".
inline std::vector<std::string> ClientDecodes(Child &client) {
  std::vector<std::string> decodes;
  for (const std::string &line : client.Lines()) {
    if (line.rfind("decode ", 0) != 0) continue;
    const size_t at = line.find(' ', line.find(' ', 7) + 1);
    decodes.push_back(line.substr(at + 1));
  }
  return decodes;
}

}  // namespace bcr::test

#endif  // BCREADER_TESTS_SUPPORT_PRIVATE_BUS_H
