// The handlers of the preferences that belong to no symbology.
#include "config/handler_table.h"
#include "config/handlers.h"

namespace bcr {

namespace {

using namespace table;

constexpr ParamOption kMiscellaneousOption[] = {
    Number(1, 0x2D), Number(2, 0x69), Number(3, 0x68),
    Number(4, 0x6A), Number(5, 0xEB), Flag(6, 0x5E),
};
static_assert(std::size(kMiscellaneousOption) == 6 && ArgsComplete(kMiscellaneousOption));
static_assert(NamesAgree(kMiscellaneousOption, catalog::kMiscellaneousOptionNames));

// 0x88 is the decode time-out in tenths of a second, 0x8A the trigger mode.
constexpr ParamOption kUserPreferences2D[] = {
    Number(1, 0x88),
    Number(2, 0x89),
    TriggerMode(Number(3, 0x8A)),
};
static_assert(std::size(kUserPreferences2D) == 3 && ArgsComplete(kUserPreferences2D));
static_assert(NamesAgree(kUserPreferences2D, catalog::kUserPreferences2DNames));

constexpr ParamOption kUserPreferences1D[] = {
    Number(1, 0x88),
    Number(2, 0xBF),
    Number(3, 0x89),
    Number(4, 0x4E),
    Flag(5, 0x43),
    LibraryKept(6),
    TriggerMode(Number(7, 0x8A)),
};
static_assert(std::size(kUserPreferences1D) == 7 && ArgsComplete(kUserPreferences1D));
static_assert(NamesAgree(kUserPreferences1D, catalog::kUserPreferences1DNames));

}  // namespace

const ParamHandler &MiscellaneousOptionParam() {
  static const ParamHandler handler =
      Handler(kMiscellaneousOption, catalog::kMiscellaneousOptionNames, kSlotMiscellaneousOption,
              Engines::kBoth);
  return handler;
}
const ParamHandler &UserPreferences2DParam() {
  static const ParamHandler handler = Handler(kUserPreferences2D, catalog::kUserPreferences2DNames,
                                              kSlotUserPreferences2D, Engines::k4507);
  return handler;
}
const ParamHandler &UserPreferences1DParam() {
  static const ParamHandler handler = Handler(kUserPreferences1D, catalog::kUserPreferences1DNames,
                                              kSlotUserPreferences1D, Engines::kSE955);
  return handler;
}

}  // namespace bcr
