// The option catalog against what it describes: the exported option functions (their names in
// the export list, their pointer counts in the public header) and the handler tables behind them.
#include "config/option_catalog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "bcreader.h"
#include "config/handlers.h"
#include "config/param_handler.h"

namespace bcr {
namespace {

using catalog::OptionFunction;
using catalog::SymbologyOptions;

// Option pointers after the mode, taken from the declaration in the public header.
template <typename F>
struct PointerCount;
template <typename R, typename... A>
struct PointerCount<R(A...)> {
  static constexpr size_t value = sizeof...(A) - 1;
};

struct Declared {
  const char *name;
  size_t pointers;
};

#define DECLARED(f) \
  { #f, PointerCount < decltype(f)> ::value }

const Declared kDeclared[] = {
    DECLARED(Code39_1D_SE955),
    DECLARED(Code39_2D_4507),
    DECLARED(Upc_1D_SE955),
    DECLARED(Upc_2D_4507),
    DECLARED(EanJan_1D_SE955),
    DECLARED(EanJan_2D_4507),
    DECLARED(Code128_1D_SE955),
    DECLARED(Code128_2D_4507),
    DECLARED(Code93_1D_SE955),
    DECLARED(Code93_2D_4507),
    DECLARED(Code11_1D_SE955),
    DECLARED(Code11_2D_4507),
    DECLARED(Interleaved2Of5_1D_SE955),
    DECLARED(Interleaved2Of5_2D_4507),
    DECLARED(Industrial2Of5_1D_SE955),
    DECLARED(Industrial2Of5_2D_4507),
    DECLARED(Codabar_1D_SE955),
    DECLARED(Codabar_2D_4507),
    DECLARED(Msi_1D_SE955),
    DECLARED(Msi_2D_4507),
    DECLARED(GS1_DataBar_1D_SE955),
    DECLARED(GS1_DataBar_2D_4507),
    DECLARED(Chinese2Of5_1D_SE955),
    DECLARED(Chinese2Of5_2D_4507),
    DECLARED(PostalCode_2D_4507),
    DECLARED(Composite_2D_4507),
    DECLARED(SymbologySecurityLevel_2D_4507),
    DECLARED(MacroPDF_2D_4507),
    DECLARED(Matrix2Of5_2D_4507),
    DECLARED(Symbologies_2D_4507),
    DECLARED(UserPreferences_1D_SE955),
    DECLARED(UserPreferences_2D_4507),
    DECLARED(MiscellaneousOption_1D_SE955),
    DECLARED(MiscellaneousOption_2D_4507),
};

const std::pair<const char *, const ParamHandler *> kHandlers[] = {
    {"Code39Param", &Code39Param},
    {"UpcParam", &UpcParam},
    {"EanJanParam", &EanJanParam},
    {"Code128Param", &Code128Param},
    {"Code93Param", &Code93Param},
    {"Code11Param", &Code11Param},
    {"Interleaved2Of5Param", &Interleaved2Of5Param},
    {"Industrial2Of5Param", &Industrial2Of5Param},
    {"CodabarParam", &CodabarParam},
    {"MsiParam", &MsiParam},
    {"RssParam", &RssParam},
    {"Chinese2Of5Param", &Chinese2Of5Param},
    {"PostalCodeParam", &PostalCodeParam},
    {"CompositeParam", &CompositeParam},
    {"SymbologySecurityLevelParam", &SymbologySecurityLevelParam},
    {"MacroPDFParam", &MacroPDFParam},
    {"Matrix2Of5Param", &Matrix2Of5Param},
    {"SymbologiesParam", &SymbologiesParam},
    {"MiscellaneousOptionParam", &MiscellaneousOptionParam},
    {"UserPreferences2DParam", &UserPreferences2DParam},
    {"UserPreferences1DParam", &UserPreferences1DParam},
};

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

// The names the shared library exports, from its linker version script.
std::set<std::string> ExportedNames() {
  std::string source = __FILE__;
  std::string root = source.substr(0, source.rfind("/tests/"));
  std::ifstream map(root + "/src/api/bcreader.map");
  std::set<std::string> names;
  std::string line;
  while (std::getline(map, line)) {
    size_t start = line.find_first_not_of(" \t");
    size_t semicolon = line.find(';');
    if (start == std::string::npos || semicolon == std::string::npos) continue;
    names.insert(line.substr(start, semicolon - start));
  }
  return names;
}

TEST(OptionCatalog, EveryDeclaredFunctionIsInTheCatalogOnceExportedWithItsPointerCount) {
  std::set<std::string> exported = ExportedNames();
  std::set<std::string> listed;
  ASSERT_GT(exported.size(), 40u) << "export list not found beside the tests";
  for (const auto &[function, deviceType] : CatalogFunctions()) {
    SCOPED_TRACE(function->name);
    EXPECT_EQ(exported.count(function->name), 1u);
    EXPECT_TRUE(listed.insert(function->name).second);
    const Declared *declared = nullptr;
    for (const Declared &candidate : kDeclared) {
      if (std::strcmp(candidate.name, function->name) == 0) declared = &candidate;
    }
    ASSERT_NE(declared, nullptr);
    EXPECT_EQ(function->argCount, declared->pointers);
  }
  EXPECT_EQ(listed.size(), std::size(kDeclared));
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
