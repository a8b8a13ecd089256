// The symbology an application can name from the decode type that GetDecodeType returns, using
// the library's own code-type table.
#ifndef BCREADER_TOOLS_CLI_SYMBOLOGY_NAMES_H
#define BCREADER_TOOLS_CLI_SYMBOLOGY_NAMES_H

#include <cstdint>
#include <string>

namespace cli {

// The name of the one symbology with this decode type; for a decode type that several share
// (the composite codes) the words their names begin with; the library's name for an unnamed
// code type when no row has it (0 included, which several symbologies and every unknown code
// type report).
std::string SymbologyName(int32_t decodeType);

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_SYMBOLOGY_NAMES_H
