// Symbology options by name: the option catalog the library's handler tables are checked
// against gives each exported option function's name and the option behind each of its
// pointers; the function itself is looked up among the library's exported symbols.
#ifndef BCREADER_TOOLS_CLI_OPTION_ACCESS_H
#define BCREADER_TOOLS_CLI_OPTION_ACCESS_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/option_catalog.h"

namespace cli {

// A value the engine's reply did not hold keeps this.
constexpr int32_t kNotReported = INT32_MIN;

// The options of one exported function, by argument (0-based).
struct OptionValues {
  const bcr::catalog::SymbologyOptions *entry = nullptr;
  const bcr::catalog::OptionFunction *function = nullptr;
  int32_t values[bcr::catalog::kMaxArgs];
};

// What values of the range are, for people: "0..255".
const char *RangeText(bcr::catalog::ValueRange range);

// The option of that name on either engine's function of the symbology, nullptr when none.
const bcr::catalog::OptionName *FindOption(const bcr::catalog::SymbologyOptions &entry,
                                           const std::string &name);

// "name=value" words parsed and checked against the catalog: known to the symbology on some
// engine, a value of the option's range (numbers, or on/off/yes/no/true/false for a flag).
struct OptionChange {
  std::string name;
  int32_t value;
};
bool ParseChanges(const bcr::catalog::SymbologyOptions &entry,
                  const std::vector<std::string> &words, std::vector<OptionChange> *changes,
                  std::string *error);

// "SE955" or "4507" for the device type the catalog gives the engine, nullptr for any other.
const char *EngineName(int32_t deviceType);

// The function of the fitted engine (deviceType 8 or 9); nullptr with a message when the
// symbology has none there.
const bcr::catalog::OptionFunction *FunctionOnEngine(const bcr::catalog::SymbologyOptions &entry,
                                                     int32_t deviceType, std::string *error);

// Calls the exported function: mode 'r' fills values (kNotReported where the engine said
// nothing), 'w' writes them; every argument that reaches an option is given, except in a write
// one whose value is kNotReported. Returns the function's result, or 0 with a message when the
// library does not export it.
int32_t CallOptions(OptionValues *options, int32_t mode, std::string *error);

// Reads every option, applies the changes (each must name an option of this function) and
// writes them back; the options not named keep the values the engine reported. Returns the
// write's result (or the read's when it failed, 0 for an option not on this function, both with
// a message).
int32_t ChangeOptions(OptionValues *options, const std::vector<OptionChange> &changes,
                      std::string *error);

// "enable=1" words, one per option the function reaches, "?" for a value not reported.
std::vector<std::string> DescribeOptions(const OptionValues &options);

// The engine's continuous trigger mode (7 on the 4507, 4 on the SE955), switched through the
// user preferences. On reads the preferences and writes the continuous mode together with
// alsoChange (names of the preferences), keeping the mode it replaced. Off writes that mode back
// (the default 8 when it was itself continuous) in a single exchange, since the preferences read
// by On are still what the engine holds.
struct ContinuousMode {
  OptionValues preferences;
  int triggerArg = -1;
  int32_t previous = kNotReported;
};
int32_t ContinuousOn(int32_t deviceType, const std::vector<OptionChange> &alsoChange,
                     ContinuousMode *mode, std::string *error);
// While continuous receptions follow one another the library's parameter exchanges do not get
// the port between them, so Off switches the reader off (GetActiveDevice/SetActiveDevice, which
// also record the state in the registry) for its exchange: a reception then ends without
// touching the port. The reader is switched on again afterwards if it was on.
int32_t ContinuousOff(ContinuousMode *mode, std::string *error);

// What a result other than 1 of an option function means.
std::string OptionResultMeaning(int32_t result);

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_OPTION_ACCESS_H
