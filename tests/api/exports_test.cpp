// The dynamic symbol table of the library holds exactly the exported API.
#include <gtest/gtest.h>
#include <stdio.h>

#include <set>
#include <string>

#include "support/loaded_library.h"

namespace bcr::test {
namespace {

std::set<std::string> CommandWords(const std::string &command) {
  std::set<std::string> words;
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return words;
  char line[512];
  while (fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    words.insert(text);
  }
  pclose(pipe);
  return words;
}

const std::set<std::string> kExported = {
    "InitReader", "InitReaderForNet", "GetReaderType", "GetActiveDevice", "SetActiveDevice",
    "GetDllVer", "GetDecoderVersion", "ReadBarcodeData", "GetDecodeData", "GetDecodeType",
    "GetOutputRecord", "GetOutputRecordWideChar", "ConvertByteToWideChar", "DataOutputSettings",
    "Code39_1D_SE955", "Code39_2D_4507", "Upc_1D_SE955", "Upc_2D_4507", "EanJan_1D_SE955",
    "EanJan_2D_4507", "Code128_1D_SE955", "Code128_2D_4507", "Code93_1D_SE955", "Code93_2D_4507",
    "Code11_1D_SE955", "Code11_2D_4507", "Interleaved2Of5_1D_SE955", "Interleaved2Of5_2D_4507",
    "Industrial2Of5_1D_SE955", "Industrial2Of5_2D_4507", "Codabar_1D_SE955", "Codabar_2D_4507",
    "Msi_1D_SE955", "Msi_2D_4507", "Rss_1D_SE955", "Rss_2D_4507", "GS1_DataBar_1D_SE955",
    "GS1_DataBar_2D_4507", "Chinese2Of5_1D_SE955", "Chinese2Of5_2D_4507", "PostalCode_2D_4507",
    "Composite_2D_4507", "SymbologySecurityLevel_2D_4507", "MacroPDF_2D_4507", "Matrix2Of5_2D_4507",
    "Symbologies_2D_4507", "UserPreferences_1D_SE955", "UserPreferences_2D_4507",
    "MiscellaneousOption_1D_SE955", "MiscellaneousOption_2D_4507", "ResetReaderToDefault", "Beeper",
    "NotificationSettings",
    // The Linux message extension.
    "BcrRegisterWindowMessage", "BcrCreateWindow", "BcrDestroyWindow", "BcrFindWindow",
    "BcrPostMessage", "BcrDispatchMessages", "BcrBusServe", "BcrBusRun"};

TEST(Exports, DynamicSymbolsAreExactlyTheApi) {
  std::string library = LibDir() + "/libbcreader.so";
  // Defined dynamic symbols of the library's own, without the version node the script adds.
  std::set<std::string> defined =
      CommandWords("nm -D --defined-only '" + library + "' | awk '$2 != \"A\" {print $3}'");
  EXPECT_EQ(defined, kExported);
}

TEST(Exports, NoSymbolKeepsTheLibraryFromUnloading) {
  std::string library = LibDir() + "/libbcreader.so";
  std::set<std::string> unique =
      CommandWords("readelf -sW --dyn-syms '" + library + "' | grep -w UNIQUE");
  EXPECT_TRUE(unique.empty()) << *unique.begin();
}

TEST(Exports, BothNamesOfTheDataBarFunctionsAreOneFunction) {
  LoadedLibrary library;
  EXPECT_EQ(reinterpret_cast<void *>(BCR_FN(library, Rss_1D_SE955)),
            reinterpret_cast<void *>(BCR_FN(library, GS1_DataBar_1D_SE955)));
  EXPECT_EQ(reinterpret_cast<void *>(BCR_FN(library, Rss_2D_4507)),
            reinterpret_cast<void *>(BCR_FN(library, GS1_DataBar_2D_4507)));
}

}  // namespace
}  // namespace bcr::test
