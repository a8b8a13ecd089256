// The tool's commands. Each returns the exit status (exit_codes.h) and writes results to
// standard output, problems to standard error.
#ifndef BCREADER_TOOLS_CLI_COMMANDS_H
#define BCREADER_TOOLS_CLI_COMMANDS_H

#include <cstdint>
#include <string>

#include "args.h"
#include "session.h"

namespace cli {

// Tell the problem on standard error and give the exit status: a usage error of a command
// (with the pointer to its --help), or the reader failing.
int UsageError(const char *command, const std::string &message);
int ReaderError(const std::string &message);

// Prepares the environment and brings the reader up; false with the exit status in *status.
bool StartReader(const ReaderSetup &setup, Session *session, int *status);
// The engine code type the simulated engine sends (--sim-type), or a usage error.
bool SimCodeType(const Arguments &args, uint8_t *codeType, std::string *error);
// With --sim-decode, the simulated engine decodes its text (of codeType) whenever the library
// starts a decode.
void DecodeOnStart(const Arguments &args, uint8_t codeType, const Session &session);
// --timeout S in ms, *timeoutMs kept when the option is absent; false with a usage error.
bool TimeoutOption(const Arguments &args, int64_t *timeoutMs, std::string *error);
// The decode on one line to standard output, readable or as JSON, flushed.
void PrintDecode(const DecodeReport &decode, bool json);

int RunInfo(const Arguments &args, const ReaderSetup &setup);
// read [--timeout S] [--json]: ReadBarcodeData until a decode or S seconds.
int RunRead(const Arguments &args, const ReaderSetup &setup);
// listen [--json] [--continuous] [--count N] [--timeout S]: each delivered decode (listen.cpp).
int RunListen(const Arguments &args, const ReaderSetup &setup);
int RunGet(const Arguments &args, const ReaderSetup &setup);
int RunSet(const Arguments &args, const ReaderSetup &setup);
int RunReset(const Arguments &args, const ReaderSetup &setup);
// beep N | beep --file PATH: needs no reader.
int RunBeep(const Arguments &args);
// demo [--engine se955|4507]: the walk-through against a simulated engine.
int RunDemo(const Arguments &args);
// serve: the reader on D-Bus for other processes, until SIGTERM or SIGINT (serve.cpp).
int RunServe(const Arguments &args, const ReaderSetup &setup);

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_COMMANDS_H
