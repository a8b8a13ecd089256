// A thread of the service that does the work of D-Bus calls that take time, one after another in
// the order they were accepted, and answers each through the library's bus thread (the bus
// connection is that thread's alone).
#ifndef BCREADER_TOOLS_CLI_CALL_WORKER_H
#define BCREADER_TOOLS_CLI_CALL_WORKER_H

#include <systemd/sd-bus.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace cli {

// Builds and sends the reply to a call; runs on the bus thread.
using Reply = std::function<void(sd_bus_message *call)>;
// The work of one call, on the worker's thread; returns the reply it earned.
using Work = std::function<Reply()>;

// The reply "error name: message".
Reply ErrorReply(const char *name, const std::string &message);

class CallWorker {
 public:
  CallWorker();
  ~CallWorker();
  CallWorker(const CallWorker &) = delete;
  CallWorker &operator=(const CallWorker &) = delete;

  // On the bus thread, from a method handler: keeps the call and queues its work. False once
  // Stop began (the call is not kept; the handler answers it).
  bool Queue(sd_bus_message *call, Work work);
  // Answers the calls still waiting with failed, lets the running one finish and ends the
  // thread. Not on the bus thread.
  void Stop();

 private:
  struct Job {
    sd_bus_message *call;
    Work work;
  };
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_CALL_WORKER_H
