// Value types shared by the project's elements, the one modification counter, and the small
// helpers with which the elements write and read their XML attributes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/WideString.h"
#include "platform/XmlDocument.h"
#include "platform/XmlWriter.h"

enum HAlign : int32_t { kHAlignLeft = 0, kHAlignCenter = 1, kHAlignRight = 2 };
enum VAlign : int32_t { kVAlignTop = 0, kVAlignCenter = 1, kVAlignBottom = 2 };
enum StartType : int32_t { kStartTime = 0, kStartPercent = 1 };
enum EndType : int32_t { kEndDone = 0, kEndTime = 1, kEndPercent = 2 };
enum RotateType : int32_t { kRotateNormal = 0, kRotateSkew = 1 };
enum PreloadMode : int32_t { kPreloadSimple = 0, kPreloadSmart = 1 };
enum TargetType : int32_t { kTargetExternal7 = 0, kTargetExternal = 1, kTargetMerge = 2 };
enum TargetLoopType : int32_t { kLoopNoChange = 0, kLoopLoop = 1, kLoopNoLoop = 2 };

// The words in which an enumeration is saved, indexed by its value.
struct WordList {
  const wchar_t* const* words;
  size_t count;
};
extern const WordList kHAlignWords;       // left center right
extern const WordList kVAlignWords;       // top center bottom
extern const WordList kStartTypeWords;    // time percent
extern const WordList kEndTypeWords;      // done time percent
extern const WordList kRotateTypeWords;   // normal skew
extern const WordList kPreloadModeWords;  // simple smart
extern const WordList kTargetTypeWords;   // external_7 external merge
extern const WordList kLoopTypeWords;     // no_change loop no_loop

// The one modification counter of the process. Every setter of the project and of its
// elements that really changes a value adds 1; an edit resets it first and looks afterwards.
void ResetModificationCount();
void CountModification();
int32_t PeekModificationCount();
// Puts the counter back to a value read before work that is no edit of the project.
void SetModificationCount(int32_t count);

// Stores the value and counts one change when it differs from the field.
template <typename T>
bool ChangeValue(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  CountModification();
  return true;
}

namespace projectxml {

// Attribute writers: a blank, the name, '=', and the value in double quotes.
void Text(XmlWriter& w, const wchar_t* name, const WideString& value);
void Int(XmlWriter& w, const wchar_t* name, int32_t value);
void UInt(XmlWriter& w, const wchar_t* name, uint32_t value);
void Bool(XmlWriter& w, const wchar_t* name, bool value);
void Float(XmlWriter& w, const wchar_t* name, float value);
void Double(XmlWriter& w, const wchar_t* name, double value);
// The value's word; nothing between the quotes for a value outside the list.
void Word(XmlWriter& w, const wchar_t* name, int32_t value, const WordList& words);

// The attributes of one element, looked up by name.
class Attributes {
 public:
  // False when the element has no attributes.
  bool Load(const XmlElement& element) { return element.GetAttributes(attributes_); }
  bool Has(const char* name) const;
  bool Text(const char* name, WideString& out) const;
  bool Int(const char* name, int32_t& out) const;
  // A decimal integer taken as the 32 bits of an unsigned value ("16777215", "-1").
  bool UInt(const char* name, uint32_t& out) const;
  bool Double(const char* name, double& out) const;
  bool Bool(const char* name, bool& out) const;
  // True only when the attribute is present and its text is one of the words (exactly).
  bool Word(const char* name, const WordList& words, int32_t& out) const;
  bool Find(const char* name, XmlElement& value) const { return attributes_.Find(name, value); }

 private:
  XmlAttributes attributes_;
};

}  // namespace projectxml
