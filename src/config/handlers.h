// Every parameter handler of the library. Each is named after the stem of the option functions
// it serves, with the suffix Param; ImagerParam serves no option function (only the reset
// writes it).
#ifndef BCREADER_CONFIG_HANDLERS_H
#define BCREADER_CONFIG_HANDLERS_H

#include <cstddef>

#include "config/param_handler.h"

namespace bcr {

// Symbologies both engines decode; served on the 4507 and the SE955.
extern const ParamHandler Code39Param;           // 9 options
extern const ParamHandler UpcParam;              // 16 options: 15 only on the 4507, 16 on the SE955
extern const ParamHandler EanJanParam;           // 9 options: 8 only on the 4507, 9 on the SE955
extern const ParamHandler Code128Param;          // 5 options: 4 and 5 only on the 4507
extern const ParamHandler Code93Param;           // 3 options
extern const ParamHandler Code11Param;           // 5 options; its read waits 3000 ms
extern const ParamHandler Interleaved2Of5Param;  // 6 options
extern const ParamHandler Industrial2Of5Param;   // 3 options
extern const ParamHandler CodabarParam;          // 5 options
extern const ParamHandler MsiParam;              // 6 options
extern const ParamHandler RssParam;              // 4 options
extern const ParamHandler Chinese2Of5Param;      // 1 option

// Options of the 4507 imager.
extern const ParamHandler PostalCodeParam;              // 8 options
extern const ParamHandler CompositeParam;               // 6 options
extern const ParamHandler SymbologySecurityLevelParam;  // 3 options; also served on the SE955
extern const ParamHandler MacroPDFParam;                // 3 options
extern const ParamHandler Matrix2Of5Param;              // 6 options
extern const ParamHandler SymbologiesParam;             // 12 options
extern const ParamHandler ImagerParam;                  // 16 options

// Preferences.
extern const ParamHandler MiscellaneousOptionParam;  // 6 options; both engines
extern const ParamHandler UserPreferences2DParam;    // 3 options; the 4507 only
extern const ParamHandler UserPreferences1DParam;    // 7 options; the SE955 only

// Every cache entry of every handler back to unknown, as when the library is loaded; for
// programs that run several independent sessions of the handlers in one process.
void ForgetParamCache();

// Every handler, once each.
constexpr size_t kHandlerCount = 22;
extern const ParamHandler *const kAllHandlers[kHandlerCount];

}  // namespace bcr

#endif  // BCREADER_CONFIG_HANDLERS_H
