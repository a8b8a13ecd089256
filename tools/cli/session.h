// The reader as the tool uses it: the environment the library reads (the port, or a simulated
// engine started in this process on a pseudo-terminal), InitReader on this thread, and a window
// of the tool's own that receives the library's decode broadcast while this thread dispatches.
#ifndef BCREADER_TOOLS_CLI_SESSION_H
#define BCREADER_TOOLS_CLI_SESSION_H

#include <chrono>
#include <csignal>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decode_report.h"
#include "sim/engine.h"

namespace cli {

using Clock = std::chrono::steady_clock;

// Room for the longest decode the library assembles and its terminating zero.
constexpr size_t kDecodeBufferSize = 65536 + 16;

enum class SimKind { kSE955, kImager4507 };

// "se955" or "4507".
bool ParseSimKind(const std::string &text, SimKind *kind);

struct ReaderSetup {
  std::string port;  // what "COM2:" names; empty: whatever the environment says
  std::optional<SimKind> sim;
  uint32_t simSpeed = 0;  // the simulated engine's speed at start; 0: its working speed
  // Sound and keyboard output default to none (the user's BCREADER_SOUND/BCREADER_KEYBOARD win).
  bool quiet = false;
};

int64_t MillisecondsSince(Clock::time_point start);

class Session {
 public:
  Session() = default;
  // Removes the simulated terminal's registry file (see Prepare).
  ~Session();
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  // Sets the variables the library reads and starts the simulated engine. With the simulator the
  // registry value the library records belongs to the simulated terminal: unless
  // BCREADER_REGISTRY says otherwise it goes to a private folder removed with the session. False
  // with a message when the simulator cannot start.
  bool Prepare(const ReaderSetup &setup, std::string *error);

  // InitReader. On failure prints what the result means to stderr and returns false.
  bool Init();
  int32_t InitResult() const { return initResult_; }
  int64_t InitMs() const { return initMs_; }

  const std::string &PortPath() const { return port_; }
  // The simulated engine, nullptr with a real port. It stays up until the process ends, so that
  // the library never loses its port before it is unloaded.
  bcrsim::Engine *Sim() const { return sim_; }
  // The catalog's device type of the fitted engine, 0 none (from GetReaderType).
  int32_t DeviceType() const;
  // "SE955" or "4507" (or "no engine").
  const char *EngineName() const;

  // Creates the window that counts "WM_DECODEDATA" broadcasts. False when it cannot.
  bool OpenWindow();
  // Broadcasts seen since OpenWindow, and when the last arrived.
  int Delivered() const;
  Clock::time_point LastDeliveryAt() const;
  // The "WM_READERSTATE" broadcasts seen since the last call, in order: false the engine was
  // lost, true it is back.
  std::vector<bool> TakeReaderStates();
  // Runs this thread's messages (the library's window procedure included) for ms.
  void Pump(int ms);
  // Runs messages until count broadcasts were seen, timeoutMs passed or *stop became non-zero.
  bool PumpUntilDelivered(int count, int timeoutMs, const volatile std::sig_atomic_t *stop);
  // What the scan key does: "WM_USER1DOWN" to the library's "Quenrix" window.
  bool PressTrigger();
  // The last delivered decode: GetDecodeData and GetDecodeType (ms left 0).
  bool FetchDecode(DecodeReport *decode) const;

 private:
  std::string port_;
  std::string registryFolder_;  // made by Prepare, empty when none
  bcrsim::Engine *sim_ = nullptr;
  int32_t initResult_ = 0;
  int64_t initMs_ = 0;
};

// A decode of the given engine code type with text as its data, in the plain format.
bcrsim::Decode SimDecode(uint8_t codeType, const std::string &text);

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_SESSION_H
