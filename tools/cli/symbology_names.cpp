#include "symbology_names.h"

#include "decode/code_types.h"

namespace cli {

namespace {

// The longest run of whole words both texts begin with.
std::string CommonWords(const std::string &a, const std::string &b) {
  size_t same = 0;
  while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
  bool wholeWord = (same == a.size() || a[same] == ' ') && (same == b.size() || b[same] == ' ');
  if (!wholeWord) {
    size_t space = a.rfind(' ', same);
    same = space == std::string::npos ? 0 : space;
  }
  while (same > 0 && a[same - 1] == ' ') --same;
  return a.substr(0, same);
}

}  // namespace

std::string SymbologyName(int32_t decodeType) {
  std::string name;
  bool found = false;
  if (decodeType > 0) {
    const bcr::Symbology *table = bcr::SymbologyTable();
    for (size_t i = 0; i < bcr::kSymbologyCount; ++i) {
      if (table[i].decodeType != decodeType) continue;
      name = found ? CommonWords(name, table[i].name) : table[i].name;
      found = true;
    }
  }
  return found && !name.empty() ? name : bcr::kUnknownSymbologyName;
}

}  // namespace cli
