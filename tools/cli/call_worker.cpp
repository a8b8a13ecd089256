#include "call_worker.h"

#include <utility>
#include <vector>

#include "bcreader_posix.h"
#include "service_errors.h"

namespace cli {

namespace {

struct Delivery {
  sd_bus_message *call;
  const Reply *reply;
};

void Deliver(void *, void *context) {
  auto *delivery = static_cast<Delivery *>(context);
  // A caller that has gone away only makes the send fail.
  (*delivery->reply)(delivery->call);
  sd_bus_message_unref(delivery->call);
  delivery->call = nullptr;
}

// Sends the reply on the bus thread and lets the call go. Without a connection now the caller's
// connection has gone with the bus, so there is no one to answer.
void Answer(sd_bus_message *call, const Reply &reply) {
  Delivery delivery{call, &reply};
  BcrBusRun(&Deliver, &delivery);
  if (delivery.call != nullptr) sd_bus_message_unref(delivery.call);
}

}  // namespace

Reply ErrorReply(const char *name, const std::string &message) {
  return [name, message](sd_bus_message *call) {
    sd_bus_reply_method_errorf(call, name, "%s", message.c_str());
  };
}

CallWorker::CallWorker() : thread_([this] { Loop(); }) {}

CallWorker::~CallWorker() {
  Stop();
}

bool CallWorker::Queue(sd_bus_message *call, Work work) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return false;
  jobs_.push_back({sd_bus_message_ref(call), std::move(work)});
  wake_.notify_one();
  return true;
}

void CallWorker::Stop() {
  std::deque<Job> waiting;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    waiting.swap(jobs_);
    wake_.notify_one();
  }
  if (thread_.joinable()) thread_.join();
  const Reply stopped = ErrorReply(kErrorFailed, "the service is stopping");
  for (const Job &job : waiting) Answer(job.call, stopped);
}

void CallWorker::Loop() {
  while (true) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    Answer(job.call, job.work());
  }
}

}  // namespace cli
