// The handlers of the symbologies that both engines decode.
#include "config/handler_table.h"
#include "config/handlers.h"

namespace bcr {

namespace {

using namespace table;

constexpr Engines kOn4507 = Engines::k4507;
constexpr Engines kOnSE955 = Engines::kSE955;
// A Code 11 read gives the engine longer to answer.
constexpr uint32_t kCode11ReadWait = 3000;

constexpr ParamOption kCode39[] = {
    Flag(1, 0x00), Flag(2, 0x0D), Flag(3, 0x56),   Flag(4, 0xE7),   Flag(5, 0x30),
    Flag(6, 0x2B), Flag(7, 0x11), Number(8, 0x12), Number(9, 0x13),
};
static_assert(std::size(kCode39) == 9 && ArgsComplete(kCode39));
static_assert(NamesAgree(kCode39, catalog::kCode39Names));

// 0x10, 0x50, 0x55, 0x44 and 0x4D are also options of EAN/JAN, with entries of their own there.
constexpr ParamOption kUpc[] = {
    Flag(1, 0x01),   Flag(2, 0x02),    Flag(3, 0x0C),           Number(4, 0x10),
    Number(5, 0x50), Flag(6, 0x28),    Flag(7, 0x29),           Flag(8, 0x2A),
    Number(9, 0x22), Number(10, 0x23), Number(11, 0x24),        Flag(12, 0x25),
    Flag(13, 0x26),  Flag(14, 0x55),   Flag(15, 0x44, kOn4507), Number(16, 0x4D, kOnSE955),
};
static_assert(std::size(kUpc) == 16 && ArgsComplete(kUpc));
static_assert(NamesAgree(kUpc, catalog::kUpcNames));

constexpr ParamOption kEanJan[] = {
    Flag(1, 0x04),   Flag(2, 0x03),          Flag(3, 0x53),
    Number(4, 0x10), Number(5, 0x50),        Flag(6, 0x27),
    Flag(7, 0x55),   Flag(8, 0x44, kOn4507), Number(9, 0x4D, kOnSE955),
};
static_assert(std::size(kEanJan) == 9 && ArgsComplete(kEanJan));
static_assert(NamesAgree(kEanJan, catalog::kEanJanNames));

constexpr ParamOption kCode128[] = {
    Flag(1, 0x08),
    Flag(2, 0x0E),
    Flag(3, 0x54),
    Number(4, 0xF141, kOn4507),
    Number(5, 0xDF, kOn4507),
};
static_assert(std::size(kCode128) == 5 && ArgsComplete(kCode128));
static_assert(NamesAgree(kCode128, catalog::kCode128Names));

constexpr ParamOption kCode93[] = {Flag(1, 0x09), Number(2, 0x1A), Number(3, 0x1B)};
static_assert(std::size(kCode93) == 3 && ArgsComplete(kCode93));
static_assert(NamesAgree(kCode93, catalog::kCode93Names));

// The frames carry arguments 1, 4, 5, 2, 3 in that order.
constexpr ParamOption kCode11[] = {
    Flag(1, 0x0A), Number(4, 0x1C), Number(5, 0x1D), Number(2, 0x34), Flag(3, 0x2F),
};
static_assert(std::size(kCode11) == 5 && ArgsComplete(kCode11));
static_assert(NamesAgree(kCode11, catalog::kCode11Names));

constexpr ParamOption kInterleaved2Of5[] = {
    Flag(1, 0x06), Number(2, 0x16), Number(3, 0x17), Number(4, 0x31), Flag(5, 0x2C), Flag(6, 0x52),
};
static_assert(std::size(kInterleaved2Of5) == 6 && ArgsComplete(kInterleaved2Of5));
static_assert(NamesAgree(kInterleaved2Of5, catalog::kInterleaved2Of5Names));

constexpr ParamOption kIndustrial2Of5[] = {Flag(1, 0x05), Number(2, 0x14), Number(3, 0x15)};
static_assert(std::size(kIndustrial2Of5) == 3 && ArgsComplete(kIndustrial2Of5));
static_assert(NamesAgree(kIndustrial2Of5, catalog::kIndustrial2Of5Names));

constexpr ParamOption kCodabar[] = {
    Flag(1, 0x07), Number(2, 0x18), Number(3, 0x19), Flag(4, 0x36), Flag(5, 0x37),
};
static_assert(std::size(kCodabar) == 5 && ArgsComplete(kCodabar));
static_assert(NamesAgree(kCodabar, catalog::kCodabarNames));

constexpr ParamOption kMsi[] = {
    Flag(1, 0x0B), Number(2, 0x1E), Number(3, 0x1F), Flag(4, 0x32), Flag(5, 0x2E), Number(6, 0x33),
};
static_assert(std::size(kMsi) == 6 && ArgsComplete(kMsi));
static_assert(NamesAgree(kMsi, catalog::kMsiNames));

constexpr ParamOption kRss[] = {Flag(1, 0xF052), Flag(2, 0xF053), Flag(3, 0xF054), Flag(4, 0xF08D)};
static_assert(std::size(kRss) == 4 && ArgsComplete(kRss));
static_assert(NamesAgree(kRss, catalog::kRssNames));

constexpr ParamOption kChinese2Of5[] = {Flag(1, 0xF098)};
static_assert(std::size(kChinese2Of5) == 1 && ArgsComplete(kChinese2Of5));
static_assert(NamesAgree(kChinese2Of5, catalog::kChinese2Of5Names));

}  // namespace

const ParamHandler &Code39Param() {
  static const ParamHandler handler =
      Handler(kCode39, catalog::kCode39Names, kSlotCode39, Engines::kBoth);
  return handler;
}
const ParamHandler &UpcParam() {
  static const ParamHandler handler = Handler(kUpc, catalog::kUpcNames, kSlotUpc, Engines::kBoth);
  return handler;
}
const ParamHandler &EanJanParam() {
  static const ParamHandler handler =
      Handler(kEanJan, catalog::kEanJanNames, kSlotEanJan, Engines::kBoth);
  return handler;
}
const ParamHandler &Code128Param() {
  static const ParamHandler handler =
      Handler(kCode128, catalog::kCode128Names, kSlotCode128, Engines::kBoth);
  return handler;
}
const ParamHandler &Code93Param() {
  static const ParamHandler handler =
      Handler(kCode93, catalog::kCode93Names, kSlotCode93, Engines::kBoth);
  return handler;
}
const ParamHandler &Code11Param() {
  static const ParamHandler handler =
      Handler(kCode11, catalog::kCode11Names, kSlotCode11, Engines::kBoth, kCode11ReadWait);
  return handler;
}
const ParamHandler &Interleaved2Of5Param() {
  static const ParamHandler handler = Handler(kInterleaved2Of5, catalog::kInterleaved2Of5Names,
                                              kSlotInterleaved2Of5, Engines::kBoth);
  return handler;
}
const ParamHandler &Industrial2Of5Param() {
  static const ParamHandler handler =
      Handler(kIndustrial2Of5, catalog::kIndustrial2Of5Names, kSlotIndustrial2Of5, Engines::kBoth);
  return handler;
}
const ParamHandler &CodabarParam() {
  static const ParamHandler handler =
      Handler(kCodabar, catalog::kCodabarNames, kSlotCodabar, Engines::kBoth);
  return handler;
}
const ParamHandler &MsiParam() {
  static const ParamHandler handler = Handler(kMsi, catalog::kMsiNames, kSlotMsi, Engines::kBoth);
  return handler;
}
const ParamHandler &RssParam() {
  static const ParamHandler handler = Handler(kRss, catalog::kRssNames, kSlotRss, Engines::kBoth);
  return handler;
}
const ParamHandler &Chinese2Of5Param() {
  static const ParamHandler handler =
      Handler(kChinese2Of5, catalog::kChinese2Of5Names, kSlotChinese2Of5, Engines::kBoth);
  return handler;
}

}  // namespace bcr
