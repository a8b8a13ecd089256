// The interface org.bcreader.Service1 on the library's object /org/bcreader/Reader1: reads,
// symbology options by the names of the option catalog, the output settings and what the reader
// is. Handlers run on the library's bus thread and return at once; calls that talk to the engine
// are done by the service's workers, the options in the order they came, reads on a worker of
// their own so that an option call never waits for a read.
#ifndef BCREADER_TOOLS_CLI_READER_SERVICE_H
#define BCREADER_TOOLS_CLI_READER_SERVICE_H

#include <atomic>
#include <cstdint>
#include <string>

#include "call_worker.h"

namespace cli {

class ReaderService {
 public:
  // deviceType 8 or 9 (the fitted engine); decoderVersion the engine's revision, read at start
  // since a property must answer at once.
  ReaderService(int32_t deviceType, std::string decoderVersion);

  // The attach function for BcrBusServe, with the service as context: adds the interface to the
  // connection (each time the library connects).
  static void Attach(void *bus, void *context);

  // From now on calls are answered failed; the calls taken are answered, the workers end. The
  // bus thread may call the handlers until the library is unloaded, so the service must outlive
  // the library.
  void Stop();

  int32_t DeviceType() const { return deviceType_; }
  const std::string &DecoderVersion() const { return decoderVersion_; }
  bool Stopping() const { return stopping_; }
  // Set while a read is taken; the first to set it owns the read.
  std::atomic<bool> &Reading() { return reading_; }
  CallWorker &Options() { return options_; }
  CallWorker &Reads() { return reads_; }

 private:
  const int32_t deviceType_;
  const std::string decoderVersion_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> reading_{false};
  CallWorker options_;
  CallWorker reads_;
};

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_READER_SERVICE_H
