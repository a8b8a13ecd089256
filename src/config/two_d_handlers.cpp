// The handlers of the options that only the 4507 imager has.
#include "config/handler_table.h"
#include "config/handlers.h"

namespace bcr {

namespace {

using namespace table;

// The rows are in table order; argument 8 travels fifth.
constexpr ParamOption kPostalCode[] = {
    Flag(1, 0x59), Flag(2, 0x5A),   Flag(3, 0x5B),   Flag(4, 0x60),
    Flag(8, 0x5F), Flag(5, 0xF022), Flag(6, 0xF023), Flag(7, 0xF046),
};
static_assert(std::size(kPostalCode) == 8 && ArgsComplete(kPostalCode));
static_assert(NamesAgree(kPostalCode, catalog::kPostalCodeNames));

constexpr ParamOption kComposite[] = {
    Flag(1, 0xF055),   Flag(2, 0xF056),   Flag(3, 0xF073),
    Number(4, 0xF058), Number(5, 0xF08E), Flag(6, 0xF0AB),
};
static_assert(std::size(kComposite) == 6 && ArgsComplete(kComposite));
static_assert(NamesAgree(kComposite, catalog::kCompositeNames));

// The intercharacter gap is either normal (6) or large (10).
constexpr ParamOption kSymbologySecurityLevel[] = {
    Number(1, 0x4E),
    Number(2, 0x4D),
    WithRule(Number(3, 0xF07D), ValueRule::kSixOrTen),
};
static_assert(std::size(kSymbologySecurityLevel) == 3 && ArgsComplete(kSymbologySecurityLevel));
static_assert(NamesAgree(kSymbologySecurityLevel, catalog::kSymbologySecurityLevelNames));

constexpr ParamOption kMacroPDF[] = {Number(1, 0xBC), Flag(2, 0xB8), Number(3, 0xE9)};
static_assert(std::size(kMacroPDF) == 3 && ArgsComplete(kMacroPDF));
static_assert(NamesAgree(kMacroPDF, catalog::kMacroPDFNames));

constexpr ParamOption kMatrix2Of5[] = {
    Flag(1, 0xF16A), Number(2, 0xF16B), Number(3, 0xF16C),
    Flag(4, 0xF16D), Flag(5, 0xF16E),   Flag(6, 0xF16F),
};
static_assert(std::size(kMatrix2Of5) == 6 && ArgsComplete(kMatrix2Of5));
static_assert(NamesAgree(kMatrix2Of5, catalog::kMatrix2Of5Names));

constexpr ParamOption kSymbologies[] = {
    Flag(1, 0x0F),     Flag(2, 0xE3),     Flag(3, 0x7B),    Flag(4, 0xF024),
    Number(5, 0xF14C), Number(6, 0xF119), Flag(7, 0xF026),  Flag(8, 0xF025),
    Number(9, 0xF14B), Flag(10, 0xF13D),  Flag(11, 0xF13E), Number(12, 0xF14D),
};
static_assert(std::size(kSymbologies) == 12 && ArgsComplete(kSymbologies));
static_assert(NamesAgree(kSymbologies, catalog::kSymbologiesNames));
// The send frame carries the Maxicode and QR Code flags ahead of the Data Matrix numbers.
constexpr uint8_t kSymbologiesSendOrder[] = {1, 2, 3, 4, 7, 8, 5, 6, 9, 10, 11, 12};
static_assert(OrderComplete(kSymbologiesSendOrder));

// 0xF0 0x31 and 0xF1 0x31 end in the same byte, so a reply names option 14 by its whole number.
// Option 7 is a word parameter whose high byte the library always leaves 0; option 8 goes to
// the engine with every write that gives it.
constexpr ParamOption kImager[] = {
    Flag(1, 0xF029),
    Flag(2, 0xF02A),
    Number(3, 0xF032),
    Number(4, 0xF0AD),
    Flag(5, 0xF068),
    Flag(6, 0xF069),
    Number(9, 0xF043),
    Flag(10, 0xF02C),
    Number(11, 0xF02E),
    Flag(12, 0xF02B),
    Number(13, 0xF031),
    WholeNumberMatch(Number(14, 0xF131)),
    Number(15, 0xF030),
    Number(16, 0xF02F),
    WithRule(Word(7, 0xF4F0A7), ValueRule::kLowByteOnly),
    AlwaysSent(Word(8, 0xF4F137)),
};
static_assert(std::size(kImager) == 16 && ArgsComplete(kImager));

}  // namespace

const ParamHandler &PostalCodeParam() {
  static const ParamHandler handler =
      Handler(kPostalCode, catalog::kPostalCodeNames, kSlotPostalCode, Engines::k4507);
  return handler;
}
const ParamHandler &CompositeParam() {
  static const ParamHandler handler =
      Handler(kComposite, catalog::kCompositeNames, kSlotComposite, Engines::k4507);
  return handler;
}
const ParamHandler &SymbologySecurityLevelParam() {
  static const ParamHandler handler =
      Handler(kSymbologySecurityLevel, catalog::kSymbologySecurityLevelNames,
              kSlotSymbologySecurityLevel, Engines::kBoth);
  return handler;
}
const ParamHandler &MacroPDFParam() {
  static const ParamHandler handler =
      Handler(kMacroPDF, catalog::kMacroPDFNames, kSlotMacroPdf, Engines::k4507);
  return handler;
}
const ParamHandler &Matrix2Of5Param() {
  static const ParamHandler handler =
      Handler(kMatrix2Of5, catalog::kMatrix2Of5Names, kSlotMatrix2Of5, Engines::k4507);
  return handler;
}
const ParamHandler &SymbologiesParam() {
  static const ParamHandler handler =
      Handler(kSymbologies, catalog::kSymbologiesNames, kSlotSymbologies, Engines::k4507,
              kCommandTimeout, &kSymbologiesSendOrder);
  return handler;
}
const ParamHandler &ImagerParam() {
  static const ParamHandler handler = Handler(kImager, nullptr, kSlotImager, Engines::k4507);
  return handler;
}

}  // namespace bcr
