#include "ui/NibReference.h"

#include "host/Bundle.h"

std::shared_ptr<host::ui::Window> NibReference::CreateWindow(const WideString& name) const {
  return folder_.CreateWindow(WideToUtf8(name));
}

std::shared_ptr<host::ui::MenuBar> NibReference::CreateMenuBar(const WideString& name) const {
  return folder_.CreateMenuBar(WideToUtf8(name));
}

NibReference& GetMainNib() {
  static NibReference* nib = new NibReference;
  if (!nib->IsOpen()) nib->Open(host::bundle::ResourcePath("interface"));
  return *nib;
}
