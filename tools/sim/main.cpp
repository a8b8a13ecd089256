// bcreader-sim: runs one simulated scan engine on a pseudo-terminal until told to quit.
//
// The first line of output is the device to open (BCREADER_COM2 can point there, or at the
// --link). Commands are read from standard input one per line; at the end of the input the
// engine keeps running until SIGINT or SIGTERM.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

#include "sim/engine.h"
#include "sim/pty.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

constexpr uint32_t kDefaultOffMs = 500;
constexpr uint32_t kLongestOffMs = 3600 * 1000;

void OnSignal(int) {
  gStop = 1;
}

constexpr const char kUsage[] =
    "usage: bcreader-sim [--engine se955|4507] [--speed N] [--link PATH] [--help] [--version]\n"
    "\n"
    "Plays a scan engine on a pseudo-terminal and prints the device path as the first line.\n"
    "  --engine se955|4507  the engine kind (default se955)\n"
    "  --speed N            the engine's speed at start in bit/s (default 9600)\n"
    "  --link PATH          also make PATH a symbolic link to the device\n"
    "  --version            print the versions of the simulator and of its library, and exit\n"
    "\n"
    "Commands on standard input, one per line (hex without 0x; text may hold \\xHH and \\\\):\n"
    "  decode <type-hex> <text>    send a decode in the plain format\n"
    "  decode99 <type-hex> <text>  send a decode in the engine's 0x99 format\n"
    "  trigger <type-hex> <text>   send a plain decode after the next start decode\n"
    "  packets <n>                 data bytes per packet of the next decodes (0: one packet)\n"
    "  raw <hex bytes...>          send the bytes as they are, as one packet\n"
    "  silent on|off               answer nothing\n"
    "  nak <n>                     answer the next n frames with a negative acknowledgement\n"
    "  nakall on|off               answer every frame with a negative acknowledgement\n"
    "  delay <ms>                  wait before each answer\n"
    "  speed <n>                   move the engine to another speed now\n"
    "  param <hex number> <value>  set a parameter (F0xx, F1xx extended, F4xxxx word)\n"
    "  revision <hex bytes...>     the revision reply, without checksum\n"
    "  record                      print the frames received so far, one hex line each, then "
    "'end'\n"
    "  received                    print every byte received at the engine's speed, in hex\n"
    "  status                      print speed, garbage bytes and continuation acknowledgements\n"
    "  clear                       forget what was received\n"
    "  power-cycle [ms]            off for ms (default 500), then on at 9600 with the factory "
    "store\n"
    "  power-loss <ms>             the same, for a given time without power\n"
    "  replug [ms]                 the line goes too: the device closes (a hang-up), and after ms\n"
    "                              (default 500) a new one opens, --link re-pointed at it\n"
    "  power                       print on|off, the power-ups so far and the current device\n"
    "  quit                        stop\n";

std::string Hex(const bcrsim::Bytes &bytes) {
  std::string out;
  char cell[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof cell, i == 0 ? "%02X" : " %02X", bytes[i]);
    out += cell;
  }
  return out;
}

std::optional<uint32_t> ParseNumber(const std::string &text, int base) {
  if (text.empty()) return std::nullopt;
  char *end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text.c_str(), &end, base);
  if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFul) return std::nullopt;
  return static_cast<uint32_t>(value);
}

// Hex bytes, separated by blanks or written together ("04 A3" or "04A3").
std::optional<bcrsim::Bytes> ParseHexBytes(std::istream &in) {
  bcrsim::Bytes bytes;
  std::string token;
  while (in >> token) {
    if (token.size() % 2 != 0) return std::nullopt;
    for (size_t i = 0; i < token.size(); i += 2) {
      const std::optional<uint32_t> byte = ParseNumber(token.substr(i, 2), 16);
      if (!byte || !std::isxdigit(static_cast<unsigned char>(token[i])) ||
          !std::isxdigit(static_cast<unsigned char>(token[i + 1]))) {
        return std::nullopt;
      }
      bytes.push_back(static_cast<uint8_t>(*byte));
    }
  }
  return bytes;
}

// The rest of the line after one blank, with \xHH and \\ escapes.
std::optional<bcrsim::Bytes> ParseText(std::istream &in) {
  std::string rest;
  std::getline(in, rest);
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  bcrsim::Bytes bytes;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != '\\') {
      bytes.push_back(static_cast<uint8_t>(rest[i]));
    } else if (i + 1 < rest.size() && rest[i + 1] == '\\') {
      bytes.push_back('\\');
      ++i;
    } else if (i + 3 < rest.size() && rest[i + 1] == 'x') {
      const std::optional<uint32_t> byte = ParseNumber(rest.substr(i + 2, 2), 16);
      if (!byte) return std::nullopt;
      bytes.push_back(static_cast<uint8_t>(*byte));
      i += 3;
    } else {
      return std::nullopt;
    }
  }
  return bytes;
}

std::optional<bool> ParseOnOff(std::istream &in) {
  std::string word;
  in >> word;
  if (word == "on") return true;
  if (word == "off") return false;
  return std::nullopt;
}

class Console {
 public:
  explicit Console(bcrsim::Engine &engine) : engine_(engine) {}

  // Runs one command line; false when it asks to stop. Errors go to standard error.
  bool Run(const std::string &line) {
    std::istringstream in(line);
    std::string command;
    if (!(in >> command)) return true;
    if (command == "quit") return false;
    if (!DispatchPower(command, in) && !Dispatch(command, in))
      std::fprintf(stderr, "bcreader-sim: bad command: %s\n", line.c_str());
    std::fflush(stdout);
    return true;
  }

 private:
  // The power commands; false for any other command (or a bad argument).
  bool DispatchPower(const std::string &command, std::istringstream &in) {
    if (command == "power") {
      std::printf("power %s cycles %zu %s\n", engine_.PoweredOn() ? "on" : "off",
                  engine_.PowerCycles(), engine_.Path().c_str());
      return true;
    }
    if (command != "power-cycle" && command != "power-loss" && command != "replug") return false;
    std::string arg;
    std::optional<uint32_t> ms = kDefaultOffMs;
    if (in >> arg || command == "power-loss") ms = ParseNumber(arg, 10);
    if (!ms || *ms > kLongestOffMs) return false;
    if (command == "replug") {
      engine_.Replug(static_cast<int>(*ms));
    } else {
      engine_.PowerCycle(static_cast<int>(*ms));
    }
    return true;
  }

  bool Dispatch(const std::string &command, std::istringstream &in) {
    std::string arg;
    if (command == "decode" || command == "decode99" || command == "trigger") {
      in >> arg;
      const std::optional<uint32_t> type = ParseNumber(arg, 16);
      const std::optional<bcrsim::Bytes> text = ParseText(in);
      if (!type || *type > 0xFF || !text) return false;
      bcrsim::Decode decode;
      decode.codeType = static_cast<uint8_t>(*type);
      decode.data = *text;
      decode.packetData = packetData_;
      if (command == "decode99") decode.format = bcrsim::Format::Format99;
      if (command == "trigger") {
        engine_.OnStartDecode(std::move(decode));
      } else {
        engine_.SendDecode(std::move(decode));
      }
      return true;
    }
    if (command == "raw" || command == "revision") {
      const std::optional<bcrsim::Bytes> bytes = ParseHexBytes(in);
      if (!bytes || bytes->empty()) return false;
      if (command == "raw") {
        engine_.Send(*bytes);
      } else {
        engine_.SetRevision(*bytes);
      }
      return true;
    }
    if (command == "silent" || command == "nakall") {
      const std::optional<bool> on = ParseOnOff(in);
      if (!on) return false;
      if (command == "silent") {
        engine_.SetSilent(*on);
      } else {
        engine_.SetNakAll(*on);
      }
      return true;
    }
    if (command == "packets" || command == "nak" || command == "delay" || command == "speed") {
      in >> arg;
      const std::optional<uint32_t> n = ParseNumber(arg, 10);
      if (!n) return false;
      if (command == "packets") packetData_ = *n;
      if (command == "nak") engine_.NakNext(static_cast<int>(*n));
      if (command == "delay") engine_.SetReplyDelay(static_cast<int>(*n));
      if (command == "speed") engine_.SetSpeed(*n);
      return true;
    }
    if (command == "param") {
      std::string value;
      in >> arg >> value;
      const std::optional<uint32_t> number = ParseNumber(arg, 16);
      const std::optional<uint32_t> n = ParseNumber(value, 0);
      if (!number || !n) return false;
      engine_.SetParam(*number, *n);
      return true;
    }
    if (command == "record") {
      for (const bcrsim::Bytes &frame : engine_.Frames()) std::printf("%s\n", Hex(frame).c_str());
      std::printf("end\n");
      return true;
    }
    if (command == "received") {
      std::printf("%s\n", Hex(engine_.Received()).c_str());
      return true;
    }
    if (command == "status") {
      std::printf("speed %u garbage %zu continuation-acks %zu\n", engine_.Speed(),
                  engine_.GarbageBytes(), engine_.ContinuationAcks());
      return true;
    }
    if (command == "clear") {
      engine_.ClearRecord();
      return true;
    }
    return false;
  }

  bcrsim::Engine &engine_;
  size_t packetData_ = 0;
};

// Reads standard input line by line until "quit", the end of the input or a signal.
// Returns true when the end of the input was reached.
bool ReadCommands(Console &console) {
  std::string pending;
  char buffer[512];
  while (!gStop) {
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (poll(&fd, 1, 200) <= 0) continue;
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (!pending.empty()) console.Run(pending);
      return true;
    }
    pending.append(buffer, static_cast<size_t>(n));
    size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, newline);
      pending.erase(0, newline + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!console.Run(line)) return false;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char **argv) {
  bcrsim::Kind kind = bcrsim::Kind::SE955;
  uint32_t speed = 9600;
  std::string link;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--help" || option == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (option == "--version") {
      std::printf("bcreader-sim %s\nlibbcreader %s\n", BCREADER_VERSION, BCREADER_VERSION);
      return 0;
    }
    if (option == "--engine" && hasValue) {
      const std::string value = argv[++i];
      if (value == "se955") {
        kind = bcrsim::Kind::SE955;
      } else if (value == "4507") {
        kind = bcrsim::Kind::Imager4507;
      } else {
        std::fprintf(stderr, "bcreader-sim: unknown engine %s\n", value.c_str());
        return 2;
      }
    } else if (option == "--speed" && hasValue) {
      const std::optional<uint32_t> value = ParseNumber(argv[++i], 10);
      if (!value) {
        std::fprintf(stderr, "bcreader-sim: bad speed %s\n", argv[i]);
        return 2;
      }
      if (!bcrsim::KnownSpeed(*value)) {
        std::fprintf(stderr, "bcreader-sim: no line setting for speed %u\n", *value);
        return 2;
      }
      speed = *value;
    } else if (option == "--link" && hasValue) {
      link = argv[++i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  bcrsim::Engine::Builder builder(kind);
  builder.Speed(speed);
  if (!link.empty()) builder.Link(link);
  std::unique_ptr<bcrsim::Engine> engine = builder.Start();
  if (!engine) {
    std::fprintf(stderr, "bcreader-sim: cannot make the pseudo-terminal%s%s\n",
                 link.empty() ? "" : " or the link ", link.c_str());
    return 1;
  }
  std::printf("%s\n", engine->Path().c_str());
  std::fflush(stdout);

  Console console(*engine);
  if (ReadCommands(console)) {
    while (!gStop) poll(nullptr, 0, 200);
  }
  return 0;
}
