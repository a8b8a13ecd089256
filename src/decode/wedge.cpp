// The keyboard wedge. Units are read as signed 16-bit values: only the wide path yields units
// above 0x7FFF, and those are negative here.
#include "decode/wedge.h"

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/keyboard.h"

namespace bcr {

namespace {

constexpr uint8_t kShiftKey = 0x10;
constexpr uint8_t kShiftScan = 0x58;
constexpr uint8_t kControlKey = 0x11;
// The key-up of a capital letter carries this scan code.
constexpr uint8_t kCapitalUpScan = 2;
// Time the focused window gets to see a modifier change before the key it applies to.
constexpr uint32_t kModifierSettleMs = 10;

constexpr uint32_t kDown = 0;
constexpr uint32_t kUp = platform::kKeyEventKeyUp;
constexpr uint32_t kSilentDown = platform::kKeyEventSilent;
constexpr uint32_t kSilentUp = platform::kKeyEventKeyUp | platform::kKeyEventSilent;

// Key state of posted characters: runs of characters are posted as pressed keys, the key-stroke
// style's TAB without any state.
constexpr uint32_t kPostedDown = 0x80;
constexpr uint32_t kPostedPlain = 0;

constexpr uint16_t kTab = 9;
constexpr uint16_t kLineFeed = 10;
constexpr uint16_t kCarriageReturn = 13;

enum class Press : uint8_t {
  kPlain,          // the key alone
  kUnshift,        // Shift let go first, then the key
  kShifted,        // the key with Shift held
  kCapital,        // as kShifted, the key-up with scan code 2
  kControlChord,   // Control held around the key of the next unit, which is consumed
  kPostCharacter,  // posted as a character, not pressed
  kCharacterRun,   // posted with the units of the same kind that follow, as the character style
};

// Units first..last press the virtual key vk + (unit - first).
struct StrokeRow {
  uint16_t first;
  uint16_t last;
  uint8_t vk;
  Press press;
};

// Units of no row (control characters other than TAB, CR and 0x11, line feed among them, and
// every unit above 0x7FFF) press nothing. Units from 0x7F up have no virtual key of their own:
// their low byte would press an unrelated key (0xBC, one quarter, would type a comma; 0x2014, an
// em dash, would toggle Caps Lock), so they are posted as characters, as in the character style.
const StrokeRow kStrokes[] = {
    {kControlKey, kControlKey, 0, Press::kControlChord},
    {kTab, kTab, kTab, Press::kPostCharacter},
    {kCarriageReturn, kCarriageReturn, 0x0D, Press::kPlain},
    {'*', '*', 0x6A, Press::kPlain},
    {'+', '+', 0x6B, Press::kPlain},
    {';', ';', 0xBA, Press::kPlain},
    {'=', '=', 0xBB, Press::kPlain},
    {',', ',', 0xBC, Press::kPlain},
    {'-', '-', 0xBD, Press::kPlain},
    {'.', '.', 0xBE, Press::kPlain},
    {'/', '/', 0xBF, Press::kPlain},
    {'\\', '\\', 0xDC, Press::kPlain},
    {'[', '[', 0xDB, Press::kPlain},
    {']', ']', 0xDD, Press::kPlain},
    {' ', ' ', 0x20, Press::kPlain},
    {'`', '`', 0xC0, Press::kPlain},
    {'\'', '\'', 0xDE, Press::kPlain},
    {'!', '!', '1', Press::kShifted},
    {'@', '@', '2', Press::kShifted},
    {'#', '#', '3', Press::kShifted},
    {'$', '$', '4', Press::kShifted},
    {'%', '%', '5', Press::kShifted},
    {'^', '^', '6', Press::kShifted},
    {'&', '&', '7', Press::kShifted},
    {'(', '(', '9', Press::kShifted},
    {')', ')', '0', Press::kShifted},
    {'~', '~', 0xC0, Press::kShifted},
    {'{', '{', 0xDB, Press::kShifted},
    {'}', '}', 0xDD, Press::kShifted},
    {'|', '|', 0xDC, Press::kShifted},
    {':', ':', 0xBA, Press::kShifted},
    {'"', '"', 0xDE, Press::kShifted},
    {'<', '<', 0xBC, Press::kShifted},
    {'>', '>', 0xBE, Press::kShifted},
    {'?', '?', 0xBF, Press::kShifted},
    {'_', '_', 0xBD, Press::kShifted},
    {'a', 'z', 'A', Press::kUnshift},
    {'0', '9', '0', Press::kUnshift},
    {'A', 'Z', 'A', Press::kCapital},
    {0x7F, 0x7FFF, 0, Press::kCharacterRun},
};

const StrokeRow *FindStroke(int32_t unit) {
  for (const StrokeRow &row : kStrokes) {
    if (unit >= row.first && unit <= row.last) return &row;
  }
  return nullptr;
}

void Key(uint8_t vk, uint8_t scan, uint32_t flags) {
  platform::KeybdEvent(vk, scan, flags);
}

void PressKey(uint8_t vk, uint8_t upScan = 0) {
  Key(vk, 0, kDown);
  Key(vk, upScan, kUp);
}

void PressShifted(uint8_t vk, uint8_t upScan) {
  Key(kShiftKey, kShiftScan, kSilentDown);
  platform::Sleep(kModifierSettleMs);
  PressKey(vk, upScan);
  Key(kShiftKey, kShiftScan, kSilentUp);
  platform::Sleep(kModifierSettleMs);
}

void PostCharacters(uint32_t flags, const std::vector<uint32_t> &chars, uint32_t shiftState) {
  std::vector<uint32_t> shiftStates(chars.size(), shiftState);
  platform::PostKeybdMessage(flags, static_cast<uint32_t>(chars.size()), shiftStates.data(),
                             chars.data());
}

// Each unit's signed value widened to 32 bits, as the platform takes characters.
uint32_t Widen(uint16_t unit) {
  return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(unit)));
}

void TypeCharacters(const WString &text) {
  std::vector<uint32_t> pending;
  auto flush = [&pending] {
    if (pending.empty()) return;
    PostCharacters(kPostedDown, pending, kPostedDown);
    pending.clear();
  };
  for (uint32_t i = 0; i < text.Size(); ++i) {
    uint16_t unit = text.Data()[i];
    if (unit == kTab || unit == kLineFeed || unit == kCarriageReturn) {
      flush();
      PressKey(static_cast<uint8_t>(unit));
    } else {
      pending.push_back(Widen(unit));
    }
  }
  flush();
}

void TypeKeyStrokes(const WString &text) {
  const uint32_t size = text.Size();
  for (uint32_t i = 0; i < size; ++i) {
    int32_t unit = static_cast<int16_t>(text.Data()[i]);
    const StrokeRow *row = FindStroke(unit);
    if (row == nullptr) continue;
    uint8_t vk = static_cast<uint8_t>(row->vk + (unit - row->first));
    switch (row->press) {
      case Press::kPlain:
        PressKey(vk);
        break;
      case Press::kUnshift:
        Key(kShiftKey, kShiftScan, kSilentUp);
        platform::Sleep(kModifierSettleMs);
        PressKey(vk);
        break;
      case Press::kShifted:
        PressShifted(vk, 0);
        break;
      case Press::kCapital:
        PressShifted(vk, kCapitalUpScan);
        break;
      case Press::kControlChord:
        if (i + 1 >= size) break;
        ++i;
        Key(kControlKey, 0, kDown);
        platform::Sleep(kModifierSettleMs);
        PressKey(static_cast<uint8_t>(text.Data()[i] & 0xFF));
        Key(kControlKey, 0, kUp);
        break;
      case Press::kPostCharacter:
        PostCharacters(kPostedPlain, {Widen(text.Data()[i])}, kPostedPlain);
        break;
      case Press::kCharacterRun: {
        std::vector<uint32_t> run = {Widen(text.Data()[i])};
        while (i + 1 < size && FindStroke(static_cast<int16_t>(text.Data()[i + 1])) == row) {
          run.push_back(Widen(text.Data()[++i]));
        }
        PostCharacters(kPostedDown, run, kPostedDown);
        break;
      }
    }
  }
}

}  // namespace

void TypeText(const WString &text, bool keyStrokes) {
  // One text is typed whole before another begins, whichever threads type them.
  static std::mutex typing;
  std::lock_guard<std::mutex> lock(typing);
  if (keyStrokes) {
    TypeKeyStrokes(text);
  } else {
    TypeCharacters(text);
  }
}

}  // namespace bcr
