#include "platform/KeyNames.h"

#include <cwchar>

namespace {

struct Named {
  int code;
  const wchar_t* name;
};

constexpr Named kSpecialKeys[] = {
    {36, L"Return"},       {48, L"Tab"},         {49, L"Space"},      {51, L"Backspace"}, {55, L"Command"},
    {56, L"Shift"},        {57, L"Caps Lock"},   {58, L"Option"},     {59, L"Control"},   {71, L"Clear"},
    {76, L"Enter"},        {96, L"F5"},          {97, L"F6"},         {98, L"F7"},        {99, L"F3"},
    {100, L"F8"},          {101, L"F9"},         {103, L"F11"},       {109, L"F10"},      {111, L"F12"},
    {114, L"Help"},        {115, L"Home"},       {116, L"Page Up"},   {117, L"Delete"},   {118, L"F4"},
    {119, L"End"},         {120, L"F2"},         {121, L"Page Down"}, {122, L"F1"},       {123, L"Left Arrow"},
    {124, L"Right Arrow"}, {125, L"Down Arrow"}, {126, L"Up Arrow"},
};

// The US layout without modifiers, indexed by virtual key code (0 for no character).
constexpr wchar_t kUsLayout[128] = {
    L'a', L's', L'd', L'f', L'h', L'g', L'z', L'x',  L'c', L'v', 0,     L'b', L'q', L'w', L'e', L'r',  // 0-15
    L'y', L't', L'1', L'2', L'3', L'4', L'6', L'5',  L'=', L'9', L'7',  L'-', L'8', L'0', L']', L'o',  // 16-31
    L'u', L'[', L'i', L'p', 0,    L'l', L'j', L'\'', L'k', L';', L'\\', L',', L'/', L'n', L'm', L'.',  // 32-47
    0,    0,    L'`', 0,    0,    0,    0,    0,     0,    0,    0,     0,    0,    0,    0,    0,     // 48-63
    0,    L'.', 0,    L'*', 0,    L'+', 0,    0,     0,    0,    0,     L'/', 0,    0,    L'-', 0,     // 64-79
    0,    L'=', L'0', L'1', L'2', L'3', L'4', L'5',  L'6', L'7', 0,     L'8', L'9', 0,    0,    0,     // 80-95
};

}  // namespace

WideString GetKeyName(int virtualKeyCode) {
  for (const auto& k : kSpecialKeys) {
    if (k.code == virtualKeyCode) return WideString(k.name);
  }
  if (virtualKeyCode >= 0 && virtualKeyCode < 128 && kUsLayout[virtualKeyCode] != 0) {
    return WideString(1, kUsLayout[virtualKeyCode]);
  }
  return WideString();
}

bool GetKeyName(int virtualKeyCode, wchar_t* destination, size_t capacity) {
  if (!destination || capacity == 0) return false;
  const WideString name = GetKeyName(virtualKeyCode);
  const size_t n = name.size() < capacity - 1 ? name.size() : capacity - 1;
  std::wmemcpy(destination, name.data(), n);
  destination[n] = L'\0';
  return !name.empty();
}
