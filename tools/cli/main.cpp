// bcreader: the command-line face of the barcode-reader library, a plain user of its exported
// functions.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "args.h"
#include "bcreader.h"
#include "commands.h"
#include "config/option_catalog.h"
#include "exit_codes.h"
#include "session.h"
#include "trace_view.h"

namespace {

using cli::Arguments;
using cli::OptionRule;
using cli::ReaderSetup;

constexpr const char kUsage[] =
    "usage: bcreader <command> [arguments] [options]\n"
    "\n"
    "Commands:\n"
    "  demo                  walk through the library against a built-in simulated engine\n"
    "  info                  the engine's kind and revision, the preferences, the versions\n"
    "  read                  one read started by the library; prints the decode\n"
    "  listen                print each decode as it arrives, until interrupted\n"
    "  get <symbology>       print a symbology's options as <option>=<value> lines\n"
    "  set <symbology> <option>=<value>...\n"
    "                        change options; the others keep their values\n"
    "  reset                 reset the library's settings and the engine's parameters\n"
    "  serve                 the reader on D-Bus for other processes, until stopped\n"
    "  beep N                play good-read sound N (1..9; 0 stops the sound playing)\n"
    "  trace <file>          show a wire trace (BCREADER_TRACE) decoded, one frame a line\n"
    "  help [command]        this text, or a command's\n"
    "\n"
    "bcreader --version prints the versions of the program and of the library it loaded.\n"
    "\n"
    "ScanEngine options (info, read, listen, get, set, reset, serve):\n"
    "  --port PATH           the engine's serial port, what \"COM2:\" names (default:\n"
    "                        $BCREADER_COM2, else /dev/ttyS1)\n"
    "  --sim se955|4507      a simulated engine on a pseudo-terminal inside this program\n"
    "  --trace               afterwards, show the frames exchanged with the engine\n"
    "\n"
    "Every command takes --help. Exit status: 0 success, 1 usage error, 2 reader error,\n"
    "3 no decode within the time-out.\n";

constexpr const char kReaderOptions[] =
    "  --port PATH           the engine's serial port (what \"COM2:\" names)\n"
    "  --sim se955|4507      a simulated engine inside this program instead of a port\n"
    "  --trace               afterwards, show every frame exchanged with the engine on standard\n"
    "                        error (into $BCREADER_TRACE when set, else a temporary file)\n";

constexpr const char kSimTestingOptions[] =
    "For testing with --sim:\n"
    "  --sim-decode TEXT     the data the simulated engine decodes (read, serve: once, when\n"
    "                        the library starts a decode; listen: each scan, in turn if\n"
    "                        repeated)\n"
    "  --sim-type N          its engine code type (default 3, Code 128)\n";

// Runs a command; setup is empty for the commands that take no reader.
using Handler = int (*)(const Arguments &args, const ReaderSetup &setup);

struct Command {
  const char *name;
  const char *usage;  // first lines of --help
  bool usesReader;    // takes --port and --sim
  std::vector<OptionRule> options;
  Handler run;
};

const std::vector<Command> &Commands() {
  static const std::vector<Command> kCommands = {
      {"demo",
       "usage: bcreader demo [--engine se955|4507]\n\n"
       "Starts a simulated engine on a pseudo-terminal in this program, points the library at\n"
       "it and walks through initialisation, a triggered read, ReadBarcodeData, symbology\n"
       "settings, the output record and continuous mode. Needs no hardware and no root.\n"
       "Sound and keyboard output are off unless BCREADER_SOUND/BCREADER_KEYBOARD say\n"
       "otherwise.\n\n"
       "  --engine se955|4507   the engine to simulate (default se955)\n",
       false,
       {{"engine", true, false}},
       [](const Arguments &args, const ReaderSetup &) { return cli::RunDemo(args); }},
      {"info",
       "usage: bcreader info [--port PATH | --sim se955|4507]\n\n"
       "Brings the reader up and prints the engine's kind and revision, whether the reader is\n"
       "active, the user preferences, the library version and the port.\n\n",
       true,
       {},
       cli::RunInfo},
      {"read",
       "usage: bcreader read [--timeout S] [--json] [--port PATH | --sim se955|4507]\n\n"
       "Runs ReadBarcodeData: the library starts a decode, waits for the engine's data (its\n"
       "decode time-out, 3 s unless 'set preferences timeout=' changed it) and stops the\n"
       "decode. Prints the decode on one line: symbology (decode type), length, the time the\n"
       "read took and the data (bytes outside printable ASCII as \\xHH).\n\n"
       "  --timeout S           keep reading until a decode or S seconds (reads last the\n"
       "                        decode time-out each)\n"
       "  --json                one JSON object: "
       "{\"type\",\"symbology\",\"data\",\"length\",\"ms\"}\n",
       true,
       {{"timeout", true, false},
        {"json", false, false},
        {"sim-decode", true, false},
        {"sim-type", true, false}},
       cli::RunRead},
      {"listen",
       "usage: bcreader listen [--json] [--continuous] [--count N] [--timeout S]\n"
       "                       [--keyboard 1|2] [--port PATH | --sim se955|4507]\n\n"
       "Prints each decode the library delivers, one line (or one JSON object) each, until\n"
       "interrupted (Ctrl-C). Reads start from the scan key the library watches\n"
       "(BCREADER_TRIGGER=<evdev device>:<key code>), or with --continuous in the engine's\n"
       "continuous mode, which is switched off again at the end. \"ms\" is the time since\n"
       "listening began. With --sim a simulated user scans once a second. When the engine\n"
       "stops answering and when it answers again (the library recovers it by itself), a\n"
       "line says so (\"readerState\": \"lost\" or \"back\" in JSON).\n\n"
       "  --continuous          reads follow one another without the scan key\n"
       "  --count N             stop after N decodes\n"
       "  --timeout S           stop after S seconds (exit status 3 when nothing was read)\n"
       "  --keyboard 1|2        type each decode (1 as characters, 2 as key strokes) through\n"
       "                        BCREADER_KEYBOARD and report the characters the keyboard\n"
       "                        layout (BCREADER_KEYMAP) had no key for, which are skipped\n"
       "  --json                one JSON object per line\n",
       true,
       {{"json", false, false},
        {"keyboard", true, false},
        {"continuous", false, false},
        {"count", true, false},
        {"timeout", true, false},
        {"sim-decode", true, true},
        {"sim-type", true, false}},
       cli::RunListen},
      {"get",
       "usage: bcreader get <symbology> [--port PATH | --sim se955|4507]\n\n"
       "Reads a symbology's options from the engine and prints them as <option>=<value>\n"
       "lines (? for a value the engine did not report).\n\n",
       true,
       {},
       cli::RunGet},
      {"set",
       "usage: bcreader set <symbology> <option>=<value>... [--port PATH | --sim se955|4507]\n\n"
       "Reads the symbology's options, changes the ones named, writes them back and prints\n"
       "the options as the engine then reports them. Flags take 0/1 (or on/off), numbers\n"
       "0..255. The engine keeps the values after power-down.\n\n",
       true,
       {},
       cli::RunSet},
      {"reset",
       "usage: bcreader reset [--port PATH | --sim se955|4507]\n\n"
       "ResetReaderToDefault: the library's settings back to their initial values and fixed\n"
       "defaults written into the engine.\n\n",
       true,
       {},
       cli::RunReset},
      {"serve",
       "usage: bcreader serve [--port PATH | --sim se955|4507]\n\n"
       "Brings the reader up and serves it on D-Bus until SIGTERM or SIGINT (exit status 0).\n"
       "The library owns the name org.bcreader.Reader1 on the bus BCREADER_BUS names (session,\n"
       "the default, or system) with its decode signals and trigger messages; serve adds the\n"
       "interface org.bcreader.Service1 on /org/bcreader/Reader1:\n"
       "  ReadBarcodeData() -> (u codeType, ay data)   one read at a time (else Error.Busy)\n"
       "  GetOption(s symbology, s option) -> (i value)\n"
       "  SetOption(s symbology, s option, i value)\n"
       "  Options() -> (a(ss))                         the (symbology, option) pairs of the "
       "engine\n"
       "  GetOutputSettings() -> (a{si})               keyboardOutput, terminatorPlacement,\n"
       "  SetOutputSettings(a{si})                     terminatorKey, codeId, length\n"
       "  properties ActiveDevice (i), ReaderType (i), DecoderVersion (s)\n"
       "Symbologies and options have the names of 'bcreader help set'. Errors:\n"
       "org.bcreader.Service1.Error.UnknownOption, .OutOfRange, .Busy and .Failed. When another\n"
       "process has the name, or no bus can be reached, serve says so and exits with status 1.\n\n",
       true,
       {{"sim-decode", true, false}, {"sim-type", true, false}},
       cli::RunServe},
      {"beep",
       "usage: bcreader beep N | bcreader beep --file PATH\n\n"
       "Plays good-read sound N (1..9; 0 only stops the sound playing) or a wave file, and\n"
       "returns when it has played. Needs no engine. BCREADER_SOUND chooses the output.\n\n"
       "  --file PATH           the wave file to play\n",
       false,
       {{"file", true, false}},
       [](const Arguments &args, const ReaderSetup &) { return cli::RunBeep(args); }},
      {"trace",
       "usage: bcreader trace <file>\n\n"
       "Shows a wire trace written by the library (BCREADER_TRACE=<file>) one frame a line:\n"
       "the time since the first line, the process, tx (sent) or rx (received) or -- (a step\n"
       "of the library's own), the port's speed, what the frame is with its checksum checked,\n"
       "its bytes, and what the library made of it.\n",
       false,
       {},
       [](const Arguments &args, const ReaderSetup &) { return cli::RunTrace(args); }},
  };
  return kCommands;
}

const Command *FindCommand(const std::string &name) {
  for (const Command &command : Commands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

// Words after a lead, wrapped below kHelpWidth with continuation lines under the first word.
std::string Wrapped(const std::string &lead, const std::vector<std::string> &words) {
  constexpr size_t kHelpWidth = 96;
  std::string text = lead;
  size_t column = lead.size();
  for (const std::string &word : words) {
    if (column > lead.size() && column + 1 + word.size() > kHelpWidth) {
      text += "\n" + std::string(lead.size(), ' ');
      column = lead.size();
    }
    if (column > lead.size()) {
      text += ' ';
      ++column;
    }
    text += word;
    column += word.size();
  }
  return text + "\n";
}

std::string SymbologyHelp() {
  std::string text = "\nSymbologies and their options on each engine:\n";
  const bcr::catalog::SymbologyOptions *entries = bcr::catalog::CatalogEntries();
  for (size_t e = 0; e < bcr::catalog::kSymbologyOptionsCount; ++e) {
    const auto &entry = entries[e];
    text += "  " + std::string(entry.key) + " (" + entry.title + ")\n";
    for (const auto *function : {&entry.se955, &entry.imager4507}) {
      std::vector<std::string> names;
      for (size_t i = 0; function->name != nullptr && i < function->argCount; ++i) {
        const auto *option = bcr::catalog::ArgumentOption(*function, i);
        if (option != nullptr) names.push_back(option->name);
      }
      if (function->name == nullptr) names.push_back("-");
      text += Wrapped(function == &entry.se955 ? "      SE955:" : "      4507: ", names);
    }
  }
  return text;
}

void PrintHelp(const Command &command) {
  std::printf("%s", command.usage);
  if (command.usesReader) std::printf("%s", kReaderOptions);
  bool simTesting = false;
  for (const OptionRule &rule : command.options) {
    simTesting = simTesting || std::strcmp(rule.name, "sim-decode") == 0;
  }
  if (simTesting) std::printf("\n%s", kSimTestingOptions);
  if (std::strcmp(command.name, "get") == 0 || std::strcmp(command.name, "set") == 0) {
    std::printf("%s", SymbologyHelp().c_str());
  }
}

int UsageError(const std::string &message, const char *command) {
  std::fprintf(stderr, "bcreader: %s\nTry 'bcreader %s--help'.\n", message.c_str(),
               command != nullptr ? (std::string(command) + " ").c_str() : "");
  return cli::kExitUsage;
}

int Run(const Command &command, const Arguments &args) {
  ReaderSetup setup;
  if (!command.usesReader) return command.run(args, setup);

  const std::string *port = args.Value("port");
  const std::string *sim = args.Value("sim");
  if (port != nullptr && sim != nullptr) {
    return UsageError("--port and --sim exclude each other", command.name);
  }
  if (port != nullptr) {
    if (port->empty()) return UsageError("--port needs a path", command.name);
    setup.port = *port;
  }
  if (sim != nullptr) {
    cli::SimKind kind;
    if (!cli::ParseSimKind(*sim, &kind)) {
      return UsageError("--sim takes se955 or 4507", command.name);
    }
    setup.sim = kind;
    setup.quiet = true;
  }
  if ((args.Has("sim-decode") || args.Has("sim-type")) && sim == nullptr) {
    return UsageError("--sim-decode and --sim-type need --sim", command.name);
  }
  if (!args.Has("trace")) return command.run(args, setup);

  // The library reads the variable when it opens the engine, inside the command.
  cli::TraceFile trace;
  if (!trace.Open()) return UsageError("--trace: cannot make a temporary file", command.name);
  const int status = command.run(args, setup);
  std::fflush(stdout);
  std::fprintf(stderr, "wire trace (%s):\n", trace.Path().c_str());
  cli::PrintTrace(trace.Path(), static_cast<uint32_t>(getpid()), stderr);
  return status;
}

}  // namespace

int main(int argc, char **argv) {
  // Each line as soon as it is written, also into a pipe: decodes are reported as they come.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (argc < 2) {
    std::fprintf(stderr, "%s", kUsage);
    return cli::kExitUsage;
  }
  const std::string first = argv[1];
  if (first == "--help" || first == "-h") {
    std::printf("%s", kUsage);
    return cli::kExitSuccess;
  }
  if (first == "--version") {
    char library[32] = {};
    if (GetDllVer(library, sizeof library) != 1) std::strcpy(library, "?");
    std::printf("bcreader %s\nlibbcreader %s\n", BCREADER_VERSION, library);
    return cli::kExitSuccess;
  }
  if (first == "help") {
    if (argc == 2) {
      std::printf("%s", kUsage);
      return cli::kExitSuccess;
    }
    const Command *command = FindCommand(argv[2]);
    if (command == nullptr || argc > 3)
      return UsageError("no such command: " + std::string(argv[2]), nullptr);
    PrintHelp(*command);
    return cli::kExitSuccess;
  }
  const Command *command = FindCommand(first);
  if (command == nullptr) return UsageError("unknown command '" + first + "'", nullptr);

  std::vector<OptionRule> allowed = command->options;
  allowed.push_back({"help", false, false});
  if (command->usesReader) {
    allowed.push_back({"port", true, false});
    allowed.push_back({"sim", true, false});
    allowed.push_back({"trace", false, false});
  }
  Arguments args;
  std::string error;
  if (!cli::ParseArguments(argc, argv, 2, allowed, &args, &error)) {
    return UsageError(error, command->name);
  }
  if (args.Has("help")) {
    PrintHelp(*command);
    return cli::kExitSuccess;
  }
  return Run(*command, args);
}
