#include "preloader/ProjectTypes.h"

#include <cstdlib>

namespace {

const wchar_t* const kHAlign[] = {L"left", L"center", L"right"};
const wchar_t* const kVAlign[] = {L"top", L"center", L"bottom"};
const wchar_t* const kStart[] = {L"time", L"percent"};
const wchar_t* const kEnd[] = {L"done", L"time", L"percent"};
const wchar_t* const kRotate[] = {L"normal", L"skew"};
const wchar_t* const kMode[] = {L"simple", L"smart"};
const wchar_t* const kTarget[] = {L"external_7", L"external", L"merge"};
const wchar_t* const kLoop[] = {L"no_change", L"loop", L"no_loop"};

int32_t g_modificationCount = 0;

void Open(XmlWriter& w, const wchar_t* name) { w.WriteRaw(L" ").WriteRaw(name).WriteRaw(L"=\""); }

}  // namespace

const WordList kHAlignWords = {kHAlign, 3};
const WordList kVAlignWords = {kVAlign, 3};
const WordList kStartTypeWords = {kStart, 2};
const WordList kEndTypeWords = {kEnd, 3};
const WordList kRotateTypeWords = {kRotate, 2};
const WordList kPreloadModeWords = {kMode, 2};
const WordList kTargetTypeWords = {kTarget, 3};
const WordList kLoopTypeWords = {kLoop, 3};

void ResetModificationCount() { g_modificationCount = 0; }
void CountModification() { ++g_modificationCount; }
int32_t PeekModificationCount() { return g_modificationCount; }
void SetModificationCount(int32_t count) { g_modificationCount = count; }

namespace projectxml {

void Text(XmlWriter& w, const wchar_t* name, const WideString& value) {
  Open(w, name);
  w.WriteEscaped(value).WriteRaw(L"\"");
}
void Int(XmlWriter& w, const wchar_t* name, int32_t value) {
  Open(w, name);
  w.WriteLong(value).WriteRaw(L"\"");
}
void UInt(XmlWriter& w, const wchar_t* name, uint32_t value) {
  Open(w, name);
  w.WriteULong(value).WriteRaw(L"\"");
}
void Bool(XmlWriter& w, const wchar_t* name, bool value) {
  Open(w, name);
  w.WriteBool(value).WriteRaw(L"\"");
}
void Float(XmlWriter& w, const wchar_t* name, float value) {
  Open(w, name);
  w.WriteFloat(value).WriteRaw(L"\"");
}
void Double(XmlWriter& w, const wchar_t* name, double value) {
  Open(w, name);
  w.WriteDouble(value).WriteRaw(L"\"");
}
void Word(XmlWriter& w, const wchar_t* name, int32_t value, const WordList& words) {
  Open(w, name);
  if (value >= 0 && static_cast<size_t>(value) < words.count) w.WriteRaw(words.words[value]);
  w.WriteRaw(L"\"");
}

bool Attributes::Has(const char* name) const {
  XmlElement value;
  return attributes_.Find(name, value);
}

bool Attributes::Text(const char* name, WideString& out) const {
  XmlElement value;
  if (!attributes_.Find(name, value)) return false;
  out = value.GetString();
  return true;
}

bool Attributes::Int(const char* name, int32_t& out) const {
  XmlElement value;
  if (!attributes_.Find(name, value)) return false;
  out = value.GetInt(0);
  return true;
}

bool Attributes::UInt(const char* name, uint32_t& out) const {
  XmlElement value;
  if (!attributes_.Find(name, value)) return false;
  // Colours are saved unsigned (16777215) by some writers and signed by others; both forms
  // name the same 32 bits.
  const double number = value.GetDouble(0.0);
  if (number >= 2147483648.0 && number <= 4294967295.0) {
    out = static_cast<uint32_t>(number);
  } else {
    out = static_cast<uint32_t>(value.GetInt(0));
  }
  return true;
}

bool Attributes::Double(const char* name, double& out) const {
  XmlElement value;
  if (!attributes_.Find(name, value)) return false;
  out = value.GetDouble(0.0);
  return true;
}

bool Attributes::Bool(const char* name, bool& out) const {
  XmlElement value;
  if (!attributes_.Find(name, value)) return false;
  out = value.GetBool();
  return true;
}

bool Attributes::Word(const char* name, const WordList& words, int32_t& out) const {
  XmlElement value;
  if (!attributes_.Find(name, value)) return false;
  const WideString text = value.GetString();
  for (size_t i = 0; i < words.count; ++i) {
    if (text == words.words[i]) {
      out = static_cast<int32_t>(i);
      return true;
    }
  }
  return false;
}

}  // namespace projectxml
