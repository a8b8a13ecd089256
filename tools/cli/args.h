// The command line after the command name: positional words and --options, in any order.
#ifndef BCREADER_TOOLS_CLI_ARGS_H
#define BCREADER_TOOLS_CLI_ARGS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace cli {

struct OptionRule {
  const char *name;  // without the leading dashes
  bool takesValue;
  bool repeatable;  // may be given more than once; every value is kept
};

struct Arguments {
  std::vector<std::string> positionals;
  std::map<std::string, std::vector<std::string>> options;

  bool Has(const std::string &name) const { return options.count(name) != 0; }
  // The value of a non-repeatable option, nullptr when not given.
  const std::string *Value(const std::string &name) const;
  const std::vector<std::string> &Values(const std::string &name) const;
};

// Parses words [first, argc) of argv. Options are --name, --name VALUE or --name=VALUE; -h is
// --help; "--" makes every later word positional. False with a message for an option that is
// not allowed, a missing value, a value given to a switch, or a repeated option.
bool ParseArguments(int argc, char **argv, int first, const std::vector<OptionRule> &allowed,
                    Arguments *out, std::string *error);

// A whole decimal number, or hexadecimal with 0x, within [min, max].
bool ParseInteger(const std::string &text, int64_t min, int64_t max, int64_t *out);

// A non-negative number of seconds (fractions allowed) up to max; out in milliseconds.
bool ParseSeconds(const std::string &text, double max, int64_t *outMs);

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_ARGS_H
