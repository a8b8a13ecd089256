#include "option_access.h"

#include <dlfcn.h>

#include <array>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "args.h"
#include "bcreader.h"

namespace cli {

namespace {

using bcr::catalog::kMaxArgs;
using bcr::catalog::OptionFunction;
using bcr::catalog::OptionName;
using bcr::catalog::SymbologyOptions;
using bcr::catalog::ValueRange;

// Each engine's continuous trigger mode.
constexpr int32_t kContinuous4507 = 7;
constexpr int32_t kContinuousSE955 = 4;
// The trigger mode the reset writes.
constexpr int32_t kDefaultTriggerMode = 8;

// Every exported option function is int32_t f(int32_t mode, int32_t *, ...) with 1 to kMaxArgs
// pointers; Call<N> calls one with N of them.
template <size_t I>
using Pointer = int32_t *;

template <size_t... I>
int32_t CallWith(void *symbol, int32_t mode, int32_t *const *args, std::index_sequence<I...>) {
  using Function = int32_t (*)(int32_t, Pointer<I>...);
  return reinterpret_cast<Function>(symbol)(mode, args[I]...);
}

template <size_t N>
int32_t Call(void *symbol, int32_t mode, int32_t *const *args) {
  return CallWith(symbol, mode, args, std::make_index_sequence<N>());
}

using Caller = int32_t (*)(void *, int32_t, int32_t *const *);

template <size_t... N>
constexpr auto MakeCallers(std::index_sequence<N...>) {
  return std::array<Caller, sizeof...(N)>{&Call<N>...};
}

// kCallers[n] calls a function with n pointers (n = 0 is never used).
constexpr auto kCallers = MakeCallers(std::make_index_sequence<kMaxArgs + 1>());

bool ParseFlagWord(const std::string &text, int64_t *value) {
  static constexpr std::pair<const char *, int> kWords[] = {
      {"on", 1}, {"off", 0}, {"yes", 1}, {"no", 0}, {"true", 1}, {"false", 0},
  };
  for (const auto &[word, meaning] : kWords) {
    if (text == word) {
      *value = meaning;
      return true;
    }
  }
  return false;
}

std::string OptionList(const SymbologyOptions &entry) {
  std::string list;
  for (const OptionFunction *function : {&entry.se955, &entry.imager4507}) {
    if (function->name == nullptr) continue;
    for (size_t i = 0; i < function->argCount; ++i) {
      const OptionName *option = bcr::catalog::ArgumentOption(*function, i);
      if (option == nullptr) continue;
      std::string name = option->name;
      if ((" " + list + ",").find(" " + name + ",") != std::string::npos) continue;
      list += list.empty() ? name : ", " + name;
    }
  }
  return list;
}

}  // namespace

const char *RangeText(ValueRange range) {
  switch (range) {
    case ValueRange::kFlag:
      return "0 or 1 (on/off)";
    case ValueRange::kByte:
      return "0..255";
    case ValueRange::kGapSize:
      return "6 (normal) or 10 (large)";
    case ValueRange::kAny:
      return "a 32-bit signed number";
  }
  return "";
}

const OptionName *FindOption(const SymbologyOptions &entry, const std::string &name) {
  for (const OptionFunction *function : {&entry.se955, &entry.imager4507}) {
    if (function->name == nullptr) continue;
    int arg = bcr::catalog::FindArgument(*function, name.c_str());
    if (arg >= 0) return bcr::catalog::ArgumentOption(*function, static_cast<size_t>(arg));
  }
  return nullptr;
}

bool ParseChanges(const SymbologyOptions &entry, const std::vector<std::string> &words,
                  std::vector<OptionChange> *changes, std::string *error) {
  for (const std::string &word : words) {
    size_t equals = word.find('=');
    if (equals == std::string::npos || equals == 0) {
      *error = "'" + word + "' is not <option>=<value>";
      return false;
    }
    std::string name = word.substr(0, equals);
    std::string text = word.substr(equals + 1);
    const OptionName *option = FindOption(entry, name);
    if (option == nullptr) {
      *error = std::string("unknown option '") + name + "' of " + entry.key +
               " (its options: " + OptionList(entry) + ")";
      return false;
    }
    int64_t value = 0;
    bool parsed = (option->range == ValueRange::kFlag && ParseFlagWord(text, &value)) ||
                  ParseInteger(text, INT32_MIN, INT32_MAX, &value);
    if (!parsed || !bcr::catalog::InRange(option->range, value)) {
      *error = "bad value '" + text + "' for " + name + ": expected " + RangeText(option->range);
      return false;
    }
    for (const OptionChange &earlier : *changes) {
      if (earlier.name == name) {
        *error = name + " given more than once";
        return false;
      }
    }
    changes->push_back({name, static_cast<int32_t>(value)});
  }
  return true;
}

const char *EngineName(int32_t deviceType) {
  if (deviceType == bcr::catalog::DeviceTypeOf(bcr::catalog::Engine::kSE955)) return "SE955";
  if (deviceType == bcr::catalog::DeviceTypeOf(bcr::catalog::Engine::k4507)) return "4507";
  return nullptr;
}

const OptionFunction *FunctionOnEngine(const SymbologyOptions &entry, int32_t deviceType,
                                       std::string *error) {
  const OptionFunction *function = bcr::catalog::FunctionFor(entry, deviceType);
  if (function == nullptr) {
    const char *engine = EngineName(deviceType);
    *error = std::string(entry.title) + " options are not available on the " +
             (engine != nullptr ? engine : "reader without an engine");
  }
  return function;
}

int32_t CallOptions(OptionValues *options, int32_t mode, std::string *error) {
  const OptionFunction &function = *options->function;
  void *symbol = dlsym(RTLD_DEFAULT, function.name);
  if (symbol == nullptr || function.argCount < 1 || function.argCount > kMaxArgs) {
    *error = std::string("the library does not export ") + function.name;
    return 0;
  }
  int32_t *pointers[kMaxArgs] = {};
  for (size_t i = 0; i < function.argCount; ++i) {
    if (bcr::catalog::ArgumentOption(function, i) == nullptr) continue;
    if (mode == BCR_MODE_READ) options->values[i] = kNotReported;
    if (mode == BCR_MODE_READ || options->values[i] != kNotReported) {
      pointers[i] = &options->values[i];
    }
  }
  int32_t result = kCallers[function.argCount](symbol, mode, pointers);
  if (result != 1) *error = std::string(function.name) + ": " + OptionResultMeaning(result);
  return result;
}

int32_t ChangeOptions(OptionValues *options, const std::vector<OptionChange> &changes,
                      std::string *error) {
  const OptionFunction &function = *options->function;
  int where[kMaxArgs];
  for (size_t i = 0; i < changes.size(); ++i) {
    int arg = bcr::catalog::FindArgument(function, changes[i].name.c_str());
    if (arg < 0) {
      *error = changes[i].name + " is not an option of " + function.name;
      return 0;
    }
    if (i < kMaxArgs) where[i] = arg;
  }
  int32_t read = CallOptions(options, BCR_MODE_READ, error);
  if (read != 1) return read;
  for (size_t i = 0; i < changes.size() && i < kMaxArgs; ++i) {
    options->values[where[i]] = changes[i].value;
  }
  return CallOptions(options, BCR_MODE_WRITE, error);
}

std::vector<std::string> DescribeOptions(const OptionValues &options) {
  std::vector<std::string> lines;
  const OptionFunction &function = *options.function;
  for (size_t i = 0; i < function.argCount; ++i) {
    const OptionName *option = bcr::catalog::ArgumentOption(function, i);
    if (option == nullptr) continue;
    int32_t value = options.values[i];
    lines.push_back(std::string(option->name) + "=" +
                    (value == kNotReported ? "?" : std::to_string(value)));
  }
  return lines;
}

int32_t ContinuousOn(int32_t deviceType, const std::vector<OptionChange> &alsoChange,
                     ContinuousMode *mode, std::string *error) {
  const int32_t continuous = deviceType == bcr::catalog::DeviceTypeOf(bcr::catalog::Engine::k4507)
                                 ? kContinuous4507
                                 : kContinuousSE955;
  OptionValues &preferences = mode->preferences;
  preferences.entry = bcr::catalog::FindSymbologyOptions("preferences");
  preferences.function = preferences.entry != nullptr
                             ? FunctionOnEngine(*preferences.entry, deviceType, error)
                             : nullptr;
  if (preferences.function == nullptr) return 0;
  mode->triggerArg = bcr::catalog::FindArgument(*preferences.function, "trigger_mode");
  if (mode->triggerArg < 0) {
    *error = "no trigger mode among the preferences";
    return 0;
  }
  int32_t read = CallOptions(&preferences, BCR_MODE_READ, error);
  if (read != 1) return read;
  mode->previous = preferences.values[mode->triggerArg];
  for (const OptionChange &change : alsoChange) {
    int arg = bcr::catalog::FindArgument(*preferences.function, change.name.c_str());
    if (arg < 0) {
      *error = change.name + " is not a preference of " + preferences.function->name;
      return 0;
    }
    preferences.values[arg] = change.value;
  }
  preferences.values[mode->triggerArg] = continuous;
  return CallOptions(&preferences, BCR_MODE_WRITE, error);
}

int32_t ContinuousOff(ContinuousMode *mode, std::string *error) {
  if (mode->triggerArg < 0) return 1;
  const int32_t continuous = mode->preferences.values[mode->triggerArg];
  const bool restorable = mode->previous != continuous && mode->previous != kNotReported;
  mode->preferences.values[mode->triggerArg] = restorable ? mode->previous : kDefaultTriggerMode;
  return CallOptions(&mode->preferences, BCR_MODE_WRITE, error);
}

std::string OptionResultMeaning(int32_t result) {
  switch (result) {
    case 1:
      return "done";
    case 0:
      return "failed (the engine did not answer, or refused)";
    case BCR_RESULT_OTHER_ENGINE:
      return "belongs to the other engine (-253)";
    default:
      return "unexpected result " + std::to_string(result);
  }
}

}  // namespace cli
