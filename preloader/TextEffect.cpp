#include "preloader/TextEffect.h"

#include "platform/XmlDocument.h"
#include "platform/XmlWriter.h"
#include "preloader/ProjectTypes.h"

namespace {

// An effect known by its name; its drawing is the base's until the effect types are built
// on it.
class NamedTextEffect : public TextEffect {
 public:
  explicit NamedTextEffect(const wchar_t* name) : TextEffect(WideString(name)) {}
};

}  // namespace

bool TextEffect::WriteXml(XmlWriter& w) const {
  w.WriteRaw(L"<text_fx");
  projectxml::Text(w, L"name", name_);
  w.WriteRaw(L" />\n");
  return true;
}

void TextEffectLibrary::Fill() {
  effects_.clear();
  effects_.push_back(std::make_unique<TextEffect>());
  for (const wchar_t* name : {L"Fade In", L"Flicker", L"Throb", L"Trail Dots", L"Trail Dots 2"})
    effects_.push_back(std::make_unique<NamedTextEffect>(name));
}

TextEffect* TextEffectLibrary::FindByName(const WideString& name) const {
  const int index = IndexOf(name);
  return index < 0 ? nullptr : effects_[static_cast<size_t>(index)].get();
}

int TextEffectLibrary::IndexOf(const WideString& name) const {
  for (size_t i = 0; i < effects_.size(); ++i)
    if (effects_[i]->GetName() == name) return static_cast<int>(i);
  return -1;
}

TextEffect* TextEffectLibrary::ReadXml(const XmlElement& element) const {
  projectxml::Attributes a;
  WideString name;
  if (!a.Load(element) || !a.Text("name", name)) return nullptr;
  return FindByName(name);
}

TextEffect* TextEffectLibrary::Get(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= effects_.size()) return nullptr;
  return effects_[static_cast<size_t>(index)].get();
}
