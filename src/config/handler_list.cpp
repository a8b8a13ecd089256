// Every parameter handler of the library, once each.
#include "config/handlers.h"

namespace bcr {

const std::array<const ParamHandler *, kHandlerCount> &AllHandlers() {
  static const std::array<const ParamHandler *, kHandlerCount> handlers = {
      &Code39Param(),
      &UpcParam(),
      &EanJanParam(),
      &Code128Param(),
      &Code93Param(),
      &Code11Param(),
      &Interleaved2Of5Param(),
      &Industrial2Of5Param(),
      &CodabarParam(),
      &MsiParam(),
      &RssParam(),
      &Chinese2Of5Param(),
      &PostalCodeParam(),
      &CompositeParam(),
      &SymbologySecurityLevelParam(),
      &MacroPDFParam(),
      &Matrix2Of5Param(),
      &SymbologiesParam(),
      &ImagerParam(),
      &MiscellaneousOptionParam(),
      &UserPreferences2DParam(),
      &UserPreferences1DParam(),
  };
  return handlers;
}

const ParamHandler *HandlerNamed(const catalog::OptionName *names) {
  if (names == nullptr) return nullptr;
  for (const ParamHandler *handler : AllHandlers()) {
    if (handler->names == names) return handler;
  }
  return nullptr;
}

}  // namespace bcr
