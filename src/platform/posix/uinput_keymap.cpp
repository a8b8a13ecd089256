#include "platform/posix/uinput_keymap.h"

#include <linux/input-event-codes.h>

#include <cstddef>
#include <initializer_list>

namespace bcr::platform {

namespace {

struct VirtualKeyRow {
  uint8_t vk;
  uint16_t key;
};

// Each key appears once, so the rows double as the list of the keys of virtual keys.
const VirtualKeyRow kVirtualKeys[] = {
    {0x08, KEY_BACKSPACE},  {0x09, KEY_TAB},        {0x0D, KEY_ENTER},
    {0x10, KEY_LEFTSHIFT},  // Shift, either side
    {0x11, KEY_LEFTCTRL},   // Control, either side
    {0x12, KEY_LEFTALT},    // Menu (Alt), either side
    {0x1B, KEY_ESC},        {0x20, KEY_SPACE},      {0x21, KEY_PAGEUP},
    {0x22, KEY_PAGEDOWN},   {0x23, KEY_END},        {0x24, KEY_HOME},
    {0x25, KEY_LEFT},       {0x26, KEY_UP},         {0x27, KEY_RIGHT},
    {0x28, KEY_DOWN},       {0x2D, KEY_INSERT},     {0x2E, KEY_DELETE},
    {0x30, KEY_0},          {0x31, KEY_1},          {0x32, KEY_2},
    {0x33, KEY_3},          {0x34, KEY_4},          {0x35, KEY_5},
    {0x36, KEY_6},          {0x37, KEY_7},          {0x38, KEY_8},
    {0x39, KEY_9},          {0x41, KEY_A},          {0x42, KEY_B},
    {0x43, KEY_C},          {0x44, KEY_D},          {0x45, KEY_E},
    {0x46, KEY_F},          {0x47, KEY_G},          {0x48, KEY_H},
    {0x49, KEY_I},          {0x4A, KEY_J},          {0x4B, KEY_K},
    {0x4C, KEY_L},          {0x4D, KEY_M},          {0x4E, KEY_N},
    {0x4F, KEY_O},          {0x50, KEY_P},          {0x51, KEY_Q},
    {0x52, KEY_R},          {0x53, KEY_S},          {0x54, KEY_T},
    {0x55, KEY_U},          {0x56, KEY_V},          {0x57, KEY_W},
    {0x58, KEY_X},          {0x59, KEY_Y},          {0x5A, KEY_Z},
    {0x60, KEY_KP0},        {0x61, KEY_KP1},        {0x62, KEY_KP2},
    {0x63, KEY_KP3},        {0x64, KEY_KP4},        {0x65, KEY_KP5},
    {0x66, KEY_KP6},        {0x67, KEY_KP7},        {0x68, KEY_KP8},
    {0x69, KEY_KP9},        {0x6A, KEY_KPASTERISK}, {0x6B, KEY_KPPLUS},
    {0x6D, KEY_KPMINUS},    {0x6E, KEY_KPDOT},      {0x6F, KEY_KPSLASH},
    {0x70, KEY_F1},         {0x71, KEY_F2},         {0x72, KEY_F3},
    {0x73, KEY_F4},         {0x74, KEY_F5},         {0x75, KEY_F6},
    {0x76, KEY_F7},         {0x77, KEY_F8},         {0x78, KEY_F9},
    {0x79, KEY_F10},        {0x7A, KEY_F11},        {0x7B, KEY_F12},
    {0x7C, KEY_F13},        {0x7D, KEY_F14},        {0x7E, KEY_F15},
    {0x7F, KEY_F16},        {0x80, KEY_F17},        {0x81, KEY_F18},
    {0x82, KEY_F19},        {0x83, KEY_F20},        {0x84, KEY_F21},
    {0x85, KEY_F22},        {0x86, KEY_F23},        {0x87, KEY_F24},
    {0xA1, KEY_RIGHTSHIFT}, {0xA3, KEY_RIGHTCTRL},  {0xA5, KEY_RIGHTALT},
    {0xBA, KEY_SEMICOLON},  {0xBB, KEY_EQUAL},      {0xBC, KEY_COMMA},
    {0xBD, KEY_MINUS},      {0xBE, KEY_DOT},        {0xBF, KEY_SLASH},
    {0xC0, KEY_GRAVE},      {0xDB, KEY_LEFTBRACE},  {0xDC, KEY_BACKSLASH},
    {0xDD, KEY_RIGHTBRACE}, {0xDE, KEY_APOSTROPHE},
};

// The left-hand keys of the sided codes repeat keys of the table above, so they are kept apart
// from it.
const VirtualKeyRow kSidedVirtualKeys[] = {
    {0xA0, KEY_LEFTSHIFT},
    {0xA2, KEY_LEFTCTRL},
    {0xA4, KEY_LEFTALT},
};

// The characters that the virtual keys of character keys stand for in the key-stroke style,
// whose table was made for a US keyboard: without and with Shift.
struct CharacterKeyRow {
  uint8_t firstVk;
  uint8_t lastVk;
  const char *plain;  // one character per code of firstVk..lastVk
  const char *shifted;
};

const CharacterKeyRow kCharacterKeys[] = {
    {'0', '9', "0123456789", ")!@#$%^&*("},
    {'A', 'Z', "abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
    {0xBA, 0xC0, ";=,-./`", ":+<_>?~"},
    {0xDB, 0xDE, "[\\]'", "{|}\""},
};

}  // namespace

uint16_t KeyOfVirtualKey(uint8_t vk) {
  for (const VirtualKeyRow &row : kVirtualKeys) {
    if (row.vk == vk) return row.key;
  }
  for (const VirtualKeyRow &row : kSidedVirtualKeys) {
    if (row.vk == vk) return row.key;
  }
  return 0;
}

int32_t CharacterOfVirtualKey(uint8_t vk, bool shift) {
  for (const CharacterKeyRow &row : kCharacterKeys) {
    if (vk >= row.firstVk && vk <= row.lastVk) {
      return static_cast<unsigned char>((shift ? row.shifted : row.plain)[vk - row.firstVk]);
    }
  }
  return 0;
}

bool UsKeyOfCharacter(int32_t ch, uint16_t *key, bool *shift) {
  if (ch <= 0) return false;
  for (uint8_t vk = 1; vk != 0; ++vk) {
    for (bool shifted : {false, true}) {
      if (CharacterOfVirtualKey(vk, shifted) == ch) {
        *key = KeyOfVirtualKey(vk);
        *shift = shifted;
        return true;
      }
    }
  }
  return false;
}

uint32_t MappedKeyCount() {
  return sizeof kVirtualKeys / sizeof kVirtualKeys[0];
}

uint16_t MappedKeyAt(uint32_t index) {
  return index < MappedKeyCount() ? kVirtualKeys[index].key : 0;
}

}  // namespace bcr::platform
