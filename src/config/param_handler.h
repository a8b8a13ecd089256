// Parameter handlers: every option function of the library reads and writes numbered engine
// parameters through one read and one write procedure, driven by a handler's table of options.
//
// A handler's table lists its options in table order, which is the order of the numbers in the
// parameter request and (unless the handler names a send order) of the pairs in the parameter
// send. Each option owns one entry of the parameter cache: the last value known for it (as the
// caller gave it or the engine reported it), -1 while unknown. A write sends only the options
// whose value differs from their entry; entries are never shared between handlers, even where
// two handlers address the same engine parameter.
#ifndef BCREADER_CONFIG_PARAM_HANDLER_H
#define BCREADER_CONFIG_PARAM_HANDLER_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "link/frame.h"
#include "state/param_cache.h"
#include "state/results.h"

namespace bcr {

class ScanEngine;

namespace catalog {
struct OptionName;
}

// Attempts of every parameter exchange.
constexpr int32_t kParamAttempts = 5;

// Which engines an option applies to, or a handler serves.
enum class Engines : uint8_t {
  kBoth,   // the 4507 and the SE955
  k4507,   // the imager only
  kSE955,  // the one-dimensional engine only
};

bool Serves(Engines engines, int32_t deviceType);

// How a value travels.
enum class OptionKind : uint8_t {
  kFlag,    // one byte: 1 for any non-zero value, 0 for zero
  kNumber,  // one byte: 0..255
  kWord,    // two bytes, high first: 0..65535
  // Not an engine parameter: a value the library keeps in the reader
  // (ScanEngine::libraryKeptValue). A write stores it at once, whatever the exchange gives; a read
  // returns it before the engine is asked. Never sent, never cached.
  kLibraryKept,
};

// Departures of single options from the plain conversion of their kind.
enum class ValueRule : uint8_t {
  kPlain,
  kSixOrTen,     // a number sent as itself when 6 or 10, as 6 otherwise
  kLowByteOnly,  // a word sent with high byte 0; a read keeps only the low byte
};

struct ParamOption {
  uint8_t arg;      // 1-based position of the option's pointer in the handler's argument list
  uint32_t number;  // n; (prefix << 8) | n for an extended number; 0xF4xxxx for a word parameter
  OptionKind kind;
  Engines engines = Engines::kBoth;
  ValueRule rule = ValueRule::kPlain;
  // A successful write that sent a frame and was given this option also sets the reader's
  // trigger mode to its value.
  bool triggerMode = false;
  // Sent by every write that gives it, whatever its cache entry holds.
  bool alwaysSent = false;
  // In a reply the option is recognised only by all of its number bytes; the others are
  // recognised by the last byte of their number.
  bool wholeNumberMatch = false;
};

struct ParamHandler {
  const ParamOption *options;  // table order; options[i].arg are 1..count, each once
  uint8_t count;
  uint8_t cacheSlot;  // its entries in the reader's parameter cache, indexed by arg - 1
  Engines serves;
  uint32_t readWaitMs;
  // 1-based args in the order of the pairs of a send frame; null: table order.
  const uint8_t *sendOrder;
  // The catalog's names of the options, by argument: the handler of the exported option
  // functions whose row holds these names. Null for a handler no option function reaches.
  const catalog::OptionName *names;
};

// Every handler's arguments are at most this many.
constexpr uint8_t kMaxHandlerArgs = 16;

// Runs a handler: mode 'r' reads the engine's values into the given pointers, 'w' writes the
// given values. options holds one pointer per handler argument, in argument order; a null
// pointer leaves its option alone. 1 success (also a write with nothing to send), 0 for another
// mode, an engine the handler does not serve, a wrong number of pointers, a failed exchange, a
// read reply that is not a parameter frame from the engine, or a write of a value its option
// cannot carry (outside 0..255 for a number, 0..65535 for a word; nothing is sent then).
int32_t CallHandler(const ParamHandler &handler, ScanEngine &reader, int32_t mode,
                    std::initializer_list<int32_t *> options);
// The same with count pointers at options.
int32_t CallHandler(const ParamHandler &handler, ScanEngine &reader, int32_t mode,
                    int32_t *const *options, size_t count);

// How a write of a handler's options went, for a caller that decides from it what to do next.
enum class WriteResult {
  kWritten,  // the engine took it, or none of it was for the engine
  kRefused,  // nothing sent: see CallHandler for the calls that are refused without an exchange
  kFailed,   // the exchange lock was not had, or the engine did not take the frame
  kUnheard,  // every attempt went out and nothing at all came back: the engine is not there
};
// CallHandler's write, with its outcome told apart.
WriteResult WriteOptions(const ParamHandler &handler, ScanEngine &reader, int32_t *const *options,
                         size_t count);

// False when a write of these values would be refused without an exchange (a value its option
// cannot carry, an engine the handler does not serve, a wrong number of pointers): lets a
// caller check before it changes anything of its own.
bool WriteAccepted(const ParamHandler &handler, ScanEngine &reader,
                   std::initializer_list<int32_t *> options);

// The cache entry of a handler's argument (1-based).
int32_t CachedValue(const ScanEngine &reader, const ParamHandler &handler, uint8_t arg);

// The frames and the reply parsing of the procedures, without the port.

// The parameter send that gives the engine back every option of the handler written since load
// (the value of its cache entry), in send order, without checksum; options whose number is in
// leaveOut are not included. Empty when there is nothing to send.
Bytes BuildWrittenFrame(const ScanEngine &reader, const ParamHandler &handler,
                        std::initializer_list<uint32_t> leaveOut = {});

// The parameter request for the options that apply to deviceType, without checksum.
Bytes BuildParamRequest(const ParamHandler &handler, int32_t deviceType);
// True when reply (without checksum) is a parameter frame from the engine: C6 00 00 FF at 1..4.
bool IsParamReply(const Bytes &reply);
// Scans a reply's pairs from byte 5. values and found are indexed by arg - 1; an option whose
// number (and value) the reply does not hold keeps found false and its value as it was.
void ParseParamReply(const ParamHandler &handler, int32_t deviceType, const Bytes &reply,
                     int32_t *values, bool *found);

}  // namespace bcr

#endif  // BCREADER_CONFIG_PARAM_HANDLER_H
