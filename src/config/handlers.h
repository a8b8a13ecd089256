// Every parameter handler of the library. Each is named after the stem of the option functions
// it serves, with the suffix Param; ImagerParam serves no option function (only the reset
// writes it).
#ifndef BCREADER_CONFIG_HANDLERS_H
#define BCREADER_CONFIG_HANDLERS_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "config/param_handler.h"

namespace bcr {

// Where each handler's entries lie in the reader's parameter cache.
enum CacheSlot : uint8_t {
  kSlotCode39,
  kSlotUpc,
  kSlotEanJan,
  kSlotCode128,
  kSlotCode93,
  kSlotCode11,
  kSlotInterleaved2Of5,
  kSlotIndustrial2Of5,
  kSlotCodabar,
  kSlotMsi,
  kSlotRss,
  kSlotChinese2Of5,
  kSlotPostalCode,
  kSlotComposite,
  kSlotSymbologySecurityLevel,
  kSlotMacroPdf,
  kSlotMatrix2Of5,
  kSlotSymbologies,
  kSlotImager,
  kSlotMiscellaneousOption,
  kSlotUserPreferences2D,
  kSlotUserPreferences1D,
  kCacheSlots,
};
static_assert(kCacheSlots <= kParamCacheHandlers);

// Symbologies both engines decode; served on the 4507 and the SE955.
const ParamHandler &Code39Param();           // 9 options
const ParamHandler &UpcParam();              // 16 options: 15 only on the 4507, 16 on the SE955
const ParamHandler &EanJanParam();           // 9 options: 8 only on the 4507, 9 on the SE955
const ParamHandler &Code128Param();          // 5 options: 4 and 5 only on the 4507
const ParamHandler &Code93Param();           // 3 options
const ParamHandler &Code11Param();           // 5 options; its read waits 3000 ms
const ParamHandler &Interleaved2Of5Param();  // 6 options
const ParamHandler &Industrial2Of5Param();   // 3 options
const ParamHandler &CodabarParam();          // 5 options
const ParamHandler &MsiParam();              // 6 options
const ParamHandler &RssParam();              // 4 options
const ParamHandler &Chinese2Of5Param();      // 1 option

// Options of the 4507 imager.
const ParamHandler &PostalCodeParam();              // 8 options
const ParamHandler &CompositeParam();               // 6 options
const ParamHandler &SymbologySecurityLevelParam();  // 3 options; also served on the SE955
const ParamHandler &MacroPDFParam();                // 3 options
const ParamHandler &Matrix2Of5Param();              // 6 options
const ParamHandler &SymbologiesParam();             // 12 options
const ParamHandler &ImagerParam();                  // 16 options

// Preferences.
const ParamHandler &MiscellaneousOptionParam();  // 6 options; both engines
const ParamHandler &UserPreferences2DParam();    // 3 options; the 4507 only
const ParamHandler &UserPreferences1DParam();    // 7 options; the SE955 only

// Every handler, once each.
constexpr size_t kHandlerCount = 22;
const std::array<const ParamHandler *, kHandlerCount> &AllHandlers();

// The handler whose options the catalog names with names, nullptr when none (or names is null).
const ParamHandler *HandlerNamed(const catalog::OptionName *names);

}  // namespace bcr

#endif  // BCREADER_CONFIG_HANDLERS_H
