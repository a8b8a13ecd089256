#include "session.h"

#include <dirent.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

#include "bcreader.h"
#include "bcreader_posix.h"
#include "option_access.h"

namespace cli {

namespace {

constexpr const char *kDefaultPort = "/dev/ttyS1";

// The simulated engine outlives every object of the program (the library, unloaded only at
// exit, keeps its port open until then); a static keeps it reachable for leak checkers.
bcrsim::Engine *gSimulatedEngine = nullptr;

// State of the tool's window; its procedure runs on the thread that dispatches.
uint32_t gDecodeDataMessage = 0;
uint32_t gReaderStateMessage = 0;
int gDelivered = 0;
Clock::time_point gDeliveredAt;
std::vector<bool> gReaderStates;  // "WM_READERSTATE" broadcasts not yet taken: true back

intptr_t ToolWindowProc(BcrWindow, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  if (wParam != static_cast<uintptr_t>(BCR_READER_DEVICE)) return 0;
  if (msg == gDecodeDataMessage) {
    ++gDelivered;
    gDeliveredAt = Clock::now();
  } else if (msg == gReaderStateMessage) {
    gReaderStates.push_back(lParam != 0);
  }
  return 0;
}

void SetDefault(const char *name, const std::string &value) {
  setenv(name, value.c_str(), 0);
}

// The folder libbcreader.so was loaded from, empty when unknown.
std::string LibraryFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void *>(&InitReader), &info) == 0 || info.dli_fname == nullptr) {
    return "";
  }
  std::string path = info.dli_fname;
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

}  // namespace

bool ParseSimKind(const std::string &text, SimKind *kind) {
  if (text == "se955" || text == "SE955") {
    *kind = SimKind::kSE955;
  } else if (text == "4507") {
    *kind = SimKind::kImager4507;
  } else {
    return false;
  }
  return true;
}

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

Session::~Session() {
  if (registryFolder_.empty()) return;
  if (DIR *folder = opendir(registryFolder_.c_str())) {
    while (dirent *entry = readdir(folder)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") unlink((registryFolder_ + "/" + name).c_str());
    }
    closedir(folder);
  }
  rmdir(registryFolder_.c_str());
}

bool Session::Prepare(const ReaderSetup &setup, std::string *error) {
  if (setup.quiet) {
    SetDefault("BCREADER_SOUND", "none");
    SetDefault("BCREADER_KEYBOARD", "none");
  }
  if (setup.sim) {
    bool se955 = *setup.sim == SimKind::kSE955;
    uint32_t speed = setup.simSpeed != 0 ? setup.simSpeed : se955 ? 38400 : 115200;
    auto builder = se955 ? bcrsim::Engine::SE955() : bcrsim::Engine::Imager4507();
    std::unique_ptr<bcrsim::Engine> engine = builder.Speed(speed).Start();
    if (engine == nullptr) {
      *error = "cannot start the simulated engine (no pseudo-terminal available)";
      return false;
    }
    sim_ = gSimulatedEngine = engine.release();
    setenv("BCREADER_COM2", sim_->Path().c_str(), 1);
    // The system library's stand-in reports the engine kind it is told.
    SetDefault("BCREADER_ENGINE_KIND", se955 ? "1" : "3");
    std::string folder = LibraryFolder();
    if (!folder.empty()) SetDefault("BCREADER_SYSLIB", folder + "/libbrevald.so");
    if (getenv("BCREADER_REGISTRY") == nullptr) {
      char registry[] = "/tmp/bcreader-sim-XXXXXX";
      if (mkdtemp(registry) != nullptr) {
        registryFolder_ = registry;
        setenv("BCREADER_REGISTRY", (registryFolder_ + "/registry.reg").c_str(), 1);
      }
    }
  } else if (!setup.port.empty()) {
    setenv("BCREADER_COM2", setup.port.c_str(), 1);
  }
  const char *port = getenv("BCREADER_COM2");
  port_ = port != nullptr && *port != '\0' ? port : kDefaultPort;
  return true;
}

bool Session::Init() {
  Clock::time_point start = Clock::now();
  initResult_ = InitReader();
  initMs_ = MillisecondsSince(start);
  if (initResult_ == 1) return true;
  std::string meaning;
  switch (initResult_) {
    case BCR_RESULT_NO_WINDOW:
      meaning = "the library could not create its message window";
      break;
    case BCR_RESULT_ENGINE_NOT_FOUND:
      meaning = "no engine found: the system library named no engine kind, or the port " + port_ +
                " did not open";
      break;
    case BCR_RESULT_ENGINE_DOWN:
      meaning = "the engine kind is known but the engine did not answer on " + port_;
      break;
    default:
      meaning = "unexpected result";
  }
  std::fprintf(stderr, "bcreader: InitReader failed (%d): %s\n", static_cast<int>(initResult_),
               meaning.c_str());
  return false;
}

int32_t Session::DeviceType() const {
  switch (GetReaderType()) {
    case BCR_READER_TYPE_SE955:
      return bcr::catalog::DeviceTypeOf(bcr::catalog::Engine::kSE955);
    case BCR_READER_TYPE_4507:
      return bcr::catalog::DeviceTypeOf(bcr::catalog::Engine::k4507);
    default:
      return 0;
  }
}

const char *Session::EngineName() const {
  const char *name = cli::EngineName(DeviceType());
  return name != nullptr ? name : "no engine";
}

bool Session::OpenWindow() {
  gDecodeDataMessage = BcrRegisterWindowMessage("WM_DECODEDATA");
  gReaderStateMessage = BcrRegisterWindowMessage("WM_READERSTATE");
  gDelivered = 0;
  gReaderStates.clear();
  return gDecodeDataMessage != 0 && BcrCreateWindow("BcreaderTool", ToolWindowProc) != nullptr;
}

int Session::Delivered() const {
  return gDelivered;
}

Clock::time_point Session::LastDeliveryAt() const {
  return gDeliveredAt;
}

std::vector<bool> Session::TakeReaderStates() {
  std::vector<bool> states;
  states.swap(gReaderStates);
  return states;
}

void Session::Pump(int ms) {
  Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) BcrDispatchMessages(10);
}

bool Session::PumpUntilDelivered(int count, int timeoutMs, const volatile std::sig_atomic_t *stop) {
  Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (gDelivered < count && Clock::now() < end && (stop == nullptr || *stop == 0)) {
    BcrDispatchMessages(10);
  }
  return gDelivered >= count;
}

bool Session::PressTrigger() {
  BcrWindow reader = BcrFindWindow("Quenrix");
  return reader != nullptr &&
         BcrPostMessage(reader, BcrRegisterWindowMessage("WM_USER1DOWN"), 0, 0) == 1;
}

bool Session::FetchDecode(DecodeReport *decode) const {
  std::vector<char> buffer(kDecodeBufferSize);
  int32_t size = static_cast<int32_t>(buffer.size());
  int32_t length = GetDecodeData(buffer.data(), size);
  if (length < 0) return false;
  // A result equal to the size means the copy was cut to size - 1 bytes.
  size_t copied = length >= size ? buffer.size() - 1 : static_cast<size_t>(length);
  decode->data.assign(buffer.data(), copied);
  int32_t type = GetDecodeType();
  decode->decodeType = type > 0 ? type : 0;
  return true;
}

bcrsim::Decode SimDecode(uint8_t codeType, const std::string &text) {
  bcrsim::Decode decode;
  decode.codeType = codeType;
  decode.data.assign(text.begin(), text.end());
  return decode;
}

}  // namespace cli
