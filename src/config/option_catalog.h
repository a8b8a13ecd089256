// The option catalog: the names of every option of the parameter handlers, and for each
// symbology the exported option functions of both engines with the handler option behind each of
// their arguments. Programs that configure the reader by name (the command-line tool) and the
// handler tables themselves (which check at compile time that these names fit their rows) share
// this one list.
//
// Plain data and lookups only: nothing here needs the rest of the library, so a program may
// compile option_catalog.cpp on its own.
#ifndef BCREADER_CONFIG_OPTION_CATALOG_H
#define BCREADER_CONFIG_OPTION_CATALOG_H

#include <cstddef>
#include <cstdint>

namespace bcr::catalog {

// The values an option takes through its exported function.
enum class ValueRange : uint8_t {
  kFlag,     // 0 off, 1 on
  kByte,     // 0..255
  kGapSize,  // 6 normal, 10 large
  kAny,      // any 32-bit signed value (kept by the library, never sent)
};

struct OptionName {
  const char *name;  // lower case, words joined by '_'; unique within its handler
  ValueRange range;
};

// Names by handler argument: entry i names the handler's argument i + 1.

constexpr OptionName kCode39Names[] = {
    {"enable", ValueRange::kFlag},
    {"trioptic", ValueRange::kFlag},
    {"convert_to_code32", ValueRange::kFlag},
    {"code32_prefix", ValueRange::kFlag},
    {"check_digit", ValueRange::kFlag},
    {"transmit_check_digit", ValueRange::kFlag},
    {"full_ascii", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
};

constexpr OptionName kUpcNames[] = {
    {"upca", ValueRange::kFlag},
    {"upce", ValueRange::kFlag},
    {"upce1", ValueRange::kFlag},
    {"supplementals", ValueRange::kByte},
    {"supplemental_redundancy", ValueRange::kByte},
    {"transmit_upca_check_digit", ValueRange::kFlag},
    {"transmit_upce_check_digit", ValueRange::kFlag},
    {"transmit_upce1_check_digit", ValueRange::kFlag},
    {"upca_preamble", ValueRange::kByte},
    {"upce_preamble", ValueRange::kByte},
    {"upce1_preamble", ValueRange::kByte},
    {"convert_upce_to_upca", ValueRange::kFlag},
    {"convert_upce1_to_upca", ValueRange::kFlag},
    {"coupon_extended", ValueRange::kFlag},
    {"upc_ean_option_44", ValueRange::kFlag},
    {"security_level", ValueRange::kByte},
};

constexpr OptionName kEanJanNames[] = {
    {"ean8", ValueRange::kFlag},
    {"ean13", ValueRange::kFlag},
    {"bookland", ValueRange::kFlag},
    {"supplementals", ValueRange::kByte},
    {"supplemental_redundancy", ValueRange::kByte},
    {"ean8_zero_extend", ValueRange::kFlag},
    {"coupon_extended", ValueRange::kFlag},
    {"upc_ean_option_44", ValueRange::kFlag},
    {"security_level", ValueRange::kByte},
};

constexpr OptionName kCode128Names[] = {
    {"enable", ValueRange::kFlag},
    {"gs1_128", ValueRange::kFlag},
    {"isbt128", ValueRange::kFlag},
    {"isbt_concatenation", ValueRange::kByte},
    {"isbt_concatenation_redundancy", ValueRange::kByte},
};

constexpr OptionName kCode93Names[] = {
    {"enable", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
};

constexpr OptionName kCode11Names[] = {
    {"enable", ValueRange::kFlag},
    {"check_digit", ValueRange::kByte},
    {"transmit_check_digit", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
};

constexpr OptionName kInterleaved2Of5Names[] = {
    {"enable", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
    {"check_digit", ValueRange::kByte},
    {"transmit_check_digit", ValueRange::kFlag},
    {"convert_to_ean13", ValueRange::kFlag},
};

constexpr OptionName kIndustrial2Of5Names[] = {
    {"enable", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
};

constexpr OptionName kCodabarNames[] = {
    {"enable", ValueRange::kFlag},        {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},       {"clsi_editing", ValueRange::kFlag},
    {"notis_editing", ValueRange::kFlag},
};

constexpr OptionName kMsiNames[] = {
    {"enable", ValueRange::kFlag},
    {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},
    {"two_check_digits", ValueRange::kFlag},
    {"transmit_check_digit", ValueRange::kFlag},
    {"check_digit_algorithm", ValueRange::kByte},
};

constexpr OptionName kRssNames[] = {
    {"databar14", ValueRange::kFlag},
    {"limited", ValueRange::kFlag},
    {"expanded", ValueRange::kFlag},
    {"convert_to_upc_ean", ValueRange::kFlag},
};

constexpr OptionName kChinese2Of5Names[] = {
    {"enable", ValueRange::kFlag},
};

constexpr OptionName kPostalCodeNames[] = {
    {"us_postnet", ValueRange::kFlag},   {"us_planet", ValueRange::kFlag},
    {"uk_postal", ValueRange::kFlag},    {"transmit_uk_check_digit", ValueRange::kFlag},
    {"japan_postal", ValueRange::kFlag}, {"australian_postal", ValueRange::kFlag},
    {"dutch_postal", ValueRange::kFlag}, {"transmit_us_check_digit", ValueRange::kFlag},
};

constexpr OptionName kCompositeNames[] = {
    {"cc_c", ValueRange::kFlag},      {"cc_ab", ValueRange::kFlag},
    {"tlc39", ValueRange::kFlag},     {"upc_mode", ValueRange::kByte},
    {"beep_mode", ValueRange::kByte}, {"gs1_128_emulation", ValueRange::kFlag},
};

constexpr OptionName kSymbologySecurityLevelNames[] = {
    {"linear_level", ValueRange::kByte},
    {"upc_ean_level", ValueRange::kByte},
    {"intercharacter_gap", ValueRange::kGapSize},
};

// The escape-character option travels as 0 or 2; its exported function shows it as a flag.
constexpr OptionName kMacroPDFNames[] = {
    {"mode", ValueRange::kByte},
    {"transmit_control_header", ValueRange::kFlag},
    {"escape_characters", ValueRange::kFlag},
};

constexpr OptionName kMatrix2Of5Names[] = {
    {"enable", ValueRange::kFlag},      {"length1", ValueRange::kByte},
    {"length2", ValueRange::kByte},     {"redundancy", ValueRange::kFlag},
    {"check_digit", ValueRange::kFlag}, {"transmit_check_digit", ValueRange::kFlag},
};

constexpr OptionName kSymbologiesNames[] = {
    {"pdf417", ValueRange::kFlag},
    {"micropdf417", ValueRange::kFlag},
    {"code128_emulation", ValueRange::kFlag},
    {"datamatrix", ValueRange::kFlag},
    {"datamatrix_inverse", ValueRange::kByte},
    {"datamatrix_mirror", ValueRange::kByte},
    {"maxicode", ValueRange::kFlag},
    {"qrcode", ValueRange::kFlag},
    {"qrcode_inverse", ValueRange::kByte},
    {"microqr", ValueRange::kFlag},
    {"aztec", ValueRange::kFlag},
    {"aztec_inverse", ValueRange::kByte},
};

// Parameters whose meaning is the engine's are named after their number.
constexpr OptionName kMiscellaneousOptionNames[] = {
    {"param_2d", ValueRange::kByte}, {"param_69", ValueRange::kByte},
    {"param_68", ValueRange::kByte}, {"param_6a", ValueRange::kByte},
    {"param_eb", ValueRange::kByte}, {"param_5e", ValueRange::kFlag},
};

constexpr OptionName kUserPreferences2DNames[] = {
    {"timeout", ValueRange::kByte},
    {"param_89", ValueRange::kByte},
    {"trigger_mode", ValueRange::kByte},
};

constexpr OptionName kUserPreferences1DNames[] = {
    {"timeout", ValueRange::kByte},      {"param_bf", ValueRange::kByte},
    {"param_89", ValueRange::kByte},     {"param_4e", ValueRange::kByte},
    {"param_43", ValueRange::kFlag},     {"kept_value", ValueRange::kAny},
    {"trigger_mode", ValueRange::kByte},
};

// Every handler takes at most this many arguments, every exported option function at most this
// many option pointers.
constexpr size_t kMaxArgs = 16;

// An exported option function: its name, the parameter handler behind it with that handler's
// option names, and for each of its option pointers the handler argument it reaches (0: the
// pointer only counts towards "something was asked for"; the function passes nothing on for it).
struct OptionFunction {
  const char *name;     // null: the symbology has no function for this engine
  const char *handler;  // e.g. "Code93Param"
  const OptionName *names;
  uint8_t nameCount;  // the handler's argument count
  uint8_t argCount;
  uint8_t handlerArg[kMaxArgs];
};

struct SymbologyOptions {
  const char *key;    // the name programs use, e.g. "code93"
  const char *title;  // for people, e.g. "Code 93"
  OptionFunction se955;
  OptionFunction imager4507;
};

constexpr size_t kSymbologyOptionsCount = 20;

// Every entry, kSymbologyOptionsCount of them, in a stable order.
const SymbologyOptions *CatalogEntries();

// The entry of a key (compared exactly), nullptr when none.
const SymbologyOptions *FindSymbologyOptions(const char *key);

// The function of the engine: deviceType 9 the SE955, 8 the 4507; nullptr for any other type or
// when the symbology has no function for that engine.
const OptionFunction *FunctionFor(const SymbologyOptions &entry, int32_t deviceType);

// The name of the option behind argument index (0-based) of the function, nullptr when the
// argument reaches no handler option or index is out of range.
const OptionName *ArgumentOption(const OptionFunction &function, size_t index);

// The 0-based argument of the function that carries the named option, -1 when none does.
int FindArgument(const OptionFunction &function, const char *name);

// True when value is one that range admits.
bool InRange(ValueRange range, int64_t value);

}  // namespace bcr::catalog

#endif  // BCREADER_CONFIG_OPTION_CATALOG_H
