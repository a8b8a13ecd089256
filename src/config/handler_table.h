// Building blocks of the handler tables: one constexpr row per option, and the checks every
// table must pass at compile time.
#ifndef BCREADER_CONFIG_HANDLER_TABLE_H
#define BCREADER_CONFIG_HANDLER_TABLE_H

#include <cstddef>
#include <iterator>

#include "config/option_catalog.h"
#include "config/param_handler.h"
#include "link/transaction.h"

namespace bcr::table {

constexpr ParamOption Flag(uint8_t arg, uint32_t number, Engines engines = Engines::kBoth) {
  return {arg, number, OptionKind::kFlag, engines};
}

constexpr ParamOption Number(uint8_t arg, uint32_t number, Engines engines = Engines::kBoth) {
  return {arg, number, OptionKind::kNumber, engines};
}

constexpr ParamOption Word(uint8_t arg, uint32_t number) {
  ParamOption option{arg, number, OptionKind::kWord};
  option.wholeNumberMatch = true;
  return option;
}

constexpr ParamOption LibraryKept(uint8_t arg) {
  return {arg, 0, OptionKind::kLibraryKept};
}

constexpr ParamOption WithRule(ParamOption option, ValueRule rule) {
  option.rule = rule;
  return option;
}

constexpr ParamOption TriggerMode(ParamOption option) {
  option.triggerMode = true;
  return option;
}

constexpr ParamOption AlwaysSent(ParamOption option) {
  option.alwaysSent = true;
  return option;
}

constexpr ParamOption WholeNumberMatch(ParamOption option) {
  option.wholeNumberMatch = true;
  return option;
}

// Every argument 1..N names exactly one row.
template <size_t N>
constexpr bool ArgsComplete(const ParamOption (&options)[N]) {
  for (size_t arg = 1; arg <= N; ++arg) {
    size_t rows = 0;
    for (const ParamOption &option : options) rows += option.arg == arg ? 1 : 0;
    if (rows != 1) return false;
  }
  return N <= kMaxHandlerArgs;
}

// A send order names every argument once.
template <size_t N>
constexpr bool OrderComplete(const uint8_t (&order)[N]) {
  for (size_t arg = 1; arg <= N; ++arg) {
    size_t times = 0;
    for (uint8_t a : order) times += a == arg ? 1 : 0;
    if (times != 1) return false;
  }
  return true;
}

// The values a row's kind carries admit what the catalog offers under the row's name. A number
// may be offered as a flag (its exported function shows it as one).
constexpr bool KindCarries(const ParamOption &option, catalog::ValueRange range) {
  switch (range) {
    case catalog::ValueRange::kFlag:
      return option.kind == OptionKind::kFlag || option.kind == OptionKind::kNumber;
    case catalog::ValueRange::kByte:
      return option.kind == OptionKind::kNumber && option.rule == ValueRule::kPlain;
    case catalog::ValueRange::kGapSize:
      return option.kind == OptionKind::kNumber && option.rule == ValueRule::kSixOrTen;
    case catalog::ValueRange::kAny:
      return option.kind == OptionKind::kLibraryKept;
  }
  return false;
}

// The catalog names every argument of the table once, each name fitting its row.
template <size_t N, size_t M>
constexpr bool NamesAgree(const ParamOption (&options)[N], const catalog::OptionName (&names)[M]) {
  if (N != M) return false;
  for (size_t i = 0; i < M; ++i) {
    for (size_t j = i + 1; j < M; ++j) {
      if (catalog::SameText(names[i].name, names[j].name)) return false;
    }
  }
  for (const ParamOption &option : options) {
    if (option.arg < 1 || option.arg > M) return false;
    if (!KindCarries(option, names[option.arg - 1].range)) return false;
  }
  return true;
}

template <size_t N>
constexpr ParamHandler Handler(const ParamOption (&options)[N], const catalog::OptionName *names,
                               uint8_t cacheSlot, Engines serves,
                               uint32_t readWaitMs = kCommandTimeout,
                               const uint8_t (*sendOrder)[N] = nullptr) {
  static_assert(N <= kParamCacheArgs);
  return {options,    static_cast<uint8_t>(N),
          cacheSlot,  serves,
          readWaitMs, sendOrder != nullptr ? *sendOrder : nullptr,
          names};
}

}  // namespace bcr::table

#endif  // BCREADER_CONFIG_HANDLER_TABLE_H
