#include "args.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace cli {

namespace {

const OptionRule *FindRule(const std::vector<OptionRule> &allowed, const std::string &name) {
  for (const OptionRule &rule : allowed) {
    if (name == rule.name) return &rule;
  }
  return nullptr;
}

}  // namespace

const std::string *Arguments::Value(const std::string &name) const {
  auto it = options.find(name);
  return it == options.end() || it->second.empty() ? nullptr : &it->second.back();
}

const std::vector<std::string> &Arguments::Values(const std::string &name) const {
  static const std::vector<std::string> kNone;
  auto it = options.find(name);
  return it == options.end() ? kNone : it->second;
}

bool ParseArguments(int argc, char **argv, int first, const std::vector<OptionRule> &allowed,
                    Arguments *out, std::string *error) {
  bool optionsEnded = false;
  for (int i = first; i < argc; ++i) {
    std::string word = argv[i];
    if (optionsEnded || word.size() < 2 || word[0] != '-' || (word[1] != '-' && word != "-h")) {
      out->positionals.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = word == "-h" ? "help" : word.substr(2);
    std::string value;
    bool inlineValue = false;
    size_t equals = name.find('=');
    if (equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      inlineValue = true;
    }
    const OptionRule *rule = FindRule(allowed, name);
    if (rule == nullptr) {
      *error = "unknown option --" + name;
      return false;
    }
    if (!rule->takesValue && inlineValue) {
      *error = "--" + name + " takes no value";
      return false;
    }
    if (rule->takesValue && !inlineValue) {
      if (i + 1 >= argc) {
        *error = "--" + name + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    std::vector<std::string> &values = out->options[name];
    if (!values.empty() && !rule->repeatable) {
      *error = "--" + name + " given more than once";
      return false;
    }
    values.push_back(value);
  }
  return true;
}

bool ParseInteger(const std::string &text, int64_t min, int64_t max, int64_t *out) {
  if (text.empty()) return false;
  const char *begin = text.c_str();
  bool negative = *begin == '-';
  const char *digits = negative ? begin + 1 : begin;
  int base = 10;
  if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits += 2;
  }
  // strtoll would accept leading blanks and a second sign.
  if (*digits == '\0' || !std::isxdigit(static_cast<unsigned char>(*digits))) return false;
  errno = 0;
  char *end = nullptr;
  long long magnitude = std::strtoll(digits, &end, base);
  if (errno != 0 || *end != '\0') return false;
  int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (value < min || value > max) return false;
  *out = value;
  return true;
}

bool ParseSeconds(const std::string &text, double max, int64_t *outMs) {
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) {
    return false;
  }
  errno = 0;
  char *end = nullptr;
  double seconds = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > max) {
    return false;
  }
  *outMs = static_cast<int64_t>(std::llround(seconds * 1000.0));
  return true;
}

}  // namespace cli
