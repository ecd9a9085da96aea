// Text effects: how a load message is drawn letter by letter. The project owns one library
// holding one instance of each effect; messages point at its entries. A message's effect is
// saved by name as the "text_fx" element inside its "load_message".
#pragma once

#include <memory>
#include <vector>

#include "platform/WideString.h"

class XmlWriter;
class XmlElement;

class TextEffect {
 public:
  // The base effect "None" draws the letters as they stand.
  TextEffect() : TextEffect(L"None") {}
  virtual ~TextEffect() = default;
  TextEffect(const TextEffect&) = delete;
  TextEffect& operator=(const TextEffect&) = delete;

  const WideString& GetName() const { return name_; }

  // The "text_fx" element on its own line.
  bool WriteXml(XmlWriter& writer) const;

 protected:
  explicit TextEffect(const WideString& name) : name_(name) {}

 private:
  WideString name_;
};

class TextEffectLibrary {
 public:
  TextEffectLibrary() = default;
  TextEffectLibrary(const TextEffectLibrary&) = delete;
  TextEffectLibrary& operator=(const TextEffectLibrary&) = delete;

  // Creates the six effects in menu order: "None", "Fade In", "Flicker", "Throb",
  // "Trail Dots", "Trail Dots 2".
  void Fill();
  // The entry of exactly that name, or null.
  TextEffect* FindByName(const WideString& name) const;
  int IndexOf(const WideString& name) const;
  // The entry named by the element's "name", or null.
  TextEffect* ReadXml(const XmlElement& element) const;

  int GetCount() const { return static_cast<int>(effects_.size()); }
  TextEffect* Get(int index) const;

 private:
  std::vector<std::unique_ptr<TextEffect>> effects_;
};
