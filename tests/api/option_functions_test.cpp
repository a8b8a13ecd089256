// Every exported option function as the public header declares it: the option catalog lists it
// with its pointer count, and each applies the first rules of all option functions: nothing asked
// for gives 0, a function of an engine that is not fitted gives -253, and the fitted engine's own
// function does the work.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "config/option_catalog.h"
#include "sim/engine.h"
#include "support/loaded_library.h"

namespace bcr::test {
namespace {

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

// Both engines' functions of a stem.
#define BOTH(stem) DECLARED(stem##_1D_SE955), DECLARED(stem##_2D_4507)

// clang-format off
const Declared kDeclared[] = {
    BOTH(Code39), BOTH(Upc), BOTH(EanJan), BOTH(Code128), BOTH(Code93), BOTH(Code11),
    BOTH(Interleaved2Of5), BOTH(Industrial2Of5), BOTH(Codabar), BOTH(Msi), BOTH(GS1_DataBar),
    BOTH(Chinese2Of5), BOTH(UserPreferences), BOTH(MiscellaneousOption),
    DECLARED(PostalCode_2D_4507), DECLARED(Composite_2D_4507),
    DECLARED(SymbologySecurityLevel_2D_4507), DECLARED(MacroPDF_2D_4507),
    DECLARED(Matrix2Of5_2D_4507), DECLARED(Symbologies_2D_4507)};
// clang-format on

template <size_t I>
using Pointer = int32_t *;

template <size_t... I>
int32_t CallWith(void *symbol, int32_t *last, std::index_sequence<I...>) {
  using Function = int32_t (*)(int32_t, Pointer<I>...);
  return reinterpret_cast<Function>(symbol)('w', (I + 1 == sizeof...(I) ? last : nullptr)...);
}

// Writes through a function of N pointers, every one null but the last, which is last.
template <size_t N>
int32_t Call(void *symbol, int32_t *last) {
  return CallWith(symbol, last, std::make_index_sequence<N>());
}

template <size_t... N>
constexpr auto MakeCallers(std::index_sequence<N...>) {
  return std::array<int32_t (*)(void *, int32_t *), sizeof...(N)>{&Call<N>...};
}
constexpr auto kCallers = MakeCallers(std::make_index_sequence<catalog::kMaxArgs + 1>());

TEST(OptionFunctions, EveryDeclaredFunctionIsInTheCatalogOnceWithItsPointerCount) {
  std::set<std::string> listed;
  std::map<std::string, size_t> declared;
  for (const Declared &function : kDeclared) declared[function.name] = function.pointers;
  const catalog::SymbologyOptions *entries = catalog::CatalogEntries();
  for (size_t i = 0; i < catalog::kSymbologyOptionsCount; ++i) {
    for (const catalog::OptionFunction *function : {&entries[i].se955, &entries[i].imager4507}) {
      if (function->name == nullptr) continue;
      SCOPED_TRACE(function->name);
      EXPECT_TRUE(listed.insert(function->name).second);
      ASSERT_EQ(declared.count(function->name), 1u);
      EXPECT_EQ(function->argCount, declared[function->name]);
    }
  }
  EXPECT_EQ(listed.size(), std::size(kDeclared));
}

TEST(OptionFunctions, NothingAskedForGivesZeroAndOnlyTheFittedEnginesFunctionsWork) {
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  ASSERT_NE(engine, nullptr);
  ScratchDir scratch;
  PointLibraryAt(engine->Path(), "1", scratch);
  LoadedLibrary library;
  for (bool initialised : {false, true}) {
    if (initialised) {
      ASSERT_EQ(BCR_FN(library, InitReader)(), 1);
    }
    for (const Declared &function : kDeclared) {
      SCOPED_TRACE(testing::Message() << function.name << (initialised ? " on the SE955" : ""));
      void *symbol = library.Fn<void>(function.name);
      ASSERT_NE(symbol, nullptr);
      const bool own = initialised && std::strstr(function.name, "_SE955") != nullptr;
      int32_t value = 0;
      EXPECT_EQ(kCallers[function.pointers](symbol, nullptr), 0);
      EXPECT_EQ(kCallers[function.pointers](symbol, &value), own ? 1 : -253);
      EXPECT_EQ(value, 0);
    }
  }
}

}  // namespace
}  // namespace bcr::test
