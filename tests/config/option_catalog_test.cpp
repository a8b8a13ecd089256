// The option catalog against the handler tables behind its functions. The functions themselves
// are checked against the public header with the exported functions.
#include "config/option_catalog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "config/handlers.h"
#include "config/param_handler.h"

namespace bcr {
namespace {

using catalog::OptionFunction;
using catalog::SymbologyOptions;

#define HANDLER(name) \
  { #name, &name() }

// clang-format off
const std::pair<const char *, const ParamHandler *> kHandlers[] = {
    HANDLER(Code39Param), HANDLER(UpcParam), HANDLER(EanJanParam), HANDLER(Code128Param),
    HANDLER(Code93Param), HANDLER(Code11Param), HANDLER(Interleaved2Of5Param),
    HANDLER(Industrial2Of5Param), HANDLER(CodabarParam), HANDLER(MsiParam), HANDLER(RssParam),
    HANDLER(Chinese2Of5Param), HANDLER(PostalCodeParam), HANDLER(CompositeParam),
    HANDLER(SymbologySecurityLevelParam), HANDLER(MacroPDFParam), HANDLER(Matrix2Of5Param),
    HANDLER(SymbologiesParam), HANDLER(MiscellaneousOptionParam), HANDLER(UserPreferences2DParam),
    HANDLER(UserPreferences1DParam)};
// clang-format on

const ParamHandler *HandlerNamed(const char *name) {
  for (const auto &[handlerName, handler] : kHandlers) {
    if (std::strcmp(handlerName, name) == 0) return handler;
  }
  return nullptr;
}

const ParamOption *OptionOfArg(const ParamHandler &handler, uint8_t arg) {
  for (uint8_t i = 0; i < handler.count; ++i) {
    if (handler.options[i].arg == arg) return &handler.options[i];
  }
  return nullptr;
}

// Every catalog function with the engine it belongs to.
std::vector<std::pair<const OptionFunction *, int32_t>> CatalogFunctions() {
  std::vector<std::pair<const OptionFunction *, int32_t>> functions;
  const SymbologyOptions *entries = catalog::CatalogEntries();
  for (size_t i = 0; i < catalog::kSymbologyOptionsCount; ++i) {
    if (entries[i].se955.name != nullptr) functions.push_back({&entries[i].se955, 9});
    if (entries[i].imager4507.name != nullptr) functions.push_back({&entries[i].imager4507, 8});
  }
  return functions;
}

TEST(OptionCatalog, EachPointerReachesAnOptionOfTheHandlerOnItsEngine) {
  for (const auto &[function, deviceType] : CatalogFunctions()) {
    SCOPED_TRACE(function->name);
    const ParamHandler *handler = HandlerNamed(function->handler);
    ASSERT_NE(handler, nullptr) << function->handler;
    EXPECT_TRUE(Serves(handler->serves, deviceType));
    EXPECT_EQ(function->nameCount, handler->count);
    std::set<uint8_t> reached;
    for (size_t i = 0; i < function->argCount; ++i) {
      uint8_t arg = function->handlerArg[i];
      if (arg == 0) continue;
      EXPECT_TRUE(reached.insert(arg).second) << "handler argument " << int(arg) << " twice";
      const ParamOption *option = OptionOfArg(*handler, arg);
      ASSERT_NE(option, nullptr) << "pointer " << i + 1;
      EXPECT_TRUE(option->kind == OptionKind::kLibraryKept || Serves(option->engines, deviceType))
          << "pointer " << i + 1 << " reaches an option of the other engine";
    }
  }
}

}  // namespace
}  // namespace bcr
