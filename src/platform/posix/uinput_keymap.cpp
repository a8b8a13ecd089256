#include "platform/posix/uinput_keymap.h"

#include <linux/input-event-codes.h>

#include <cstddef>

namespace bcr::platform {

namespace {

struct VirtualKeyRow {
  uint8_t vk;
  uint16_t key;
};

// Each key appears once, so the rows double as the list of the keyboard's keys; the character
// rows below use only keys of this table.
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

struct CharacterRow {
  char ch;
  uint16_t key;
  bool shift;
};

// The US layout: the control characters that have a key, and printable ASCII.
const CharacterRow kCharacters[] = {
    {'\b', KEY_BACKSPACE, false},
    {'\t', KEY_TAB, false},
    {'\n', KEY_ENTER, false},
    {'\r', KEY_ENTER, false},
    {'\x1B', KEY_ESC, false},
    {' ', KEY_SPACE, false},
    {'!', KEY_1, true},
    {'"', KEY_APOSTROPHE, true},
    {'#', KEY_3, true},
    {'$', KEY_4, true},
    {'%', KEY_5, true},
    {'&', KEY_7, true},
    {'\'', KEY_APOSTROPHE, false},
    {'(', KEY_9, true},
    {')', KEY_0, true},
    {'*', KEY_8, true},
    {'+', KEY_EQUAL, true},
    {',', KEY_COMMA, false},
    {'-', KEY_MINUS, false},
    {'.', KEY_DOT, false},
    {'/', KEY_SLASH, false},
    {'0', KEY_0, false},
    {'1', KEY_1, false},
    {'2', KEY_2, false},
    {'3', KEY_3, false},
    {'4', KEY_4, false},
    {'5', KEY_5, false},
    {'6', KEY_6, false},
    {'7', KEY_7, false},
    {'8', KEY_8, false},
    {'9', KEY_9, false},
    {':', KEY_SEMICOLON, true},
    {';', KEY_SEMICOLON, false},
    {'<', KEY_COMMA, true},
    {'=', KEY_EQUAL, false},
    {'>', KEY_DOT, true},
    {'?', KEY_SLASH, true},
    {'@', KEY_2, true},
    {'A', KEY_A, true},
    {'B', KEY_B, true},
    {'C', KEY_C, true},
    {'D', KEY_D, true},
    {'E', KEY_E, true},
    {'F', KEY_F, true},
    {'G', KEY_G, true},
    {'H', KEY_H, true},
    {'I', KEY_I, true},
    {'J', KEY_J, true},
    {'K', KEY_K, true},
    {'L', KEY_L, true},
    {'M', KEY_M, true},
    {'N', KEY_N, true},
    {'O', KEY_O, true},
    {'P', KEY_P, true},
    {'Q', KEY_Q, true},
    {'R', KEY_R, true},
    {'S', KEY_S, true},
    {'T', KEY_T, true},
    {'U', KEY_U, true},
    {'V', KEY_V, true},
    {'W', KEY_W, true},
    {'X', KEY_X, true},
    {'Y', KEY_Y, true},
    {'Z', KEY_Z, true},
    {'[', KEY_LEFTBRACE, false},
    {'\\', KEY_BACKSLASH, false},
    {']', KEY_RIGHTBRACE, false},
    {'^', KEY_6, true},
    {'_', KEY_MINUS, true},
    {'`', KEY_GRAVE, false},
    {'a', KEY_A, false},
    {'b', KEY_B, false},
    {'c', KEY_C, false},
    {'d', KEY_D, false},
    {'e', KEY_E, false},
    {'f', KEY_F, false},
    {'g', KEY_G, false},
    {'h', KEY_H, false},
    {'i', KEY_I, false},
    {'j', KEY_J, false},
    {'k', KEY_K, false},
    {'l', KEY_L, false},
    {'m', KEY_M, false},
    {'n', KEY_N, false},
    {'o', KEY_O, false},
    {'p', KEY_P, false},
    {'q', KEY_Q, false},
    {'r', KEY_R, false},
    {'s', KEY_S, false},
    {'t', KEY_T, false},
    {'u', KEY_U, false},
    {'v', KEY_V, false},
    {'w', KEY_W, false},
    {'x', KEY_X, false},
    {'y', KEY_Y, false},
    {'z', KEY_Z, false},
    {'{', KEY_LEFTBRACE, true},
    {'|', KEY_BACKSLASH, true},
    {'}', KEY_RIGHTBRACE, true},
    {'~', KEY_GRAVE, true},
};

// Five control characters and the 95 printable ones.
static_assert(sizeof kCharacters / sizeof kCharacters[0] == 5 + 95, "US layout rows");

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

bool KeyOfCharacter(int32_t ch, CharacterKey *out) {
  if (out == nullptr) return false;
  for (const CharacterRow &row : kCharacters) {
    if (static_cast<int32_t>(static_cast<unsigned char>(row.ch)) == ch) {
      out->key = row.key;
      out->shift = row.shift;
      return true;
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
