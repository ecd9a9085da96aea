#include "ui/DialogControl.h"

#include "host/ui/Control.h"
#include "host/ui/Window.h"
#include "platform/WideTextBuffer.h"

DialogControl::~DialogControl() {
  if (owned_ && control_) control_->Dispose();
}

bool DialogControl::Live() const { return control_ && control_->Alive(); }
bool DialogControl::IsEmpty() const { return !Live(); }

bool DialogControl::Create(DialogWindow&, int, const UiRect&, const WideString&) { return IsEmpty(); }

bool DialogControl::CreateById(DialogWindow& window, int number, const UiRect& bounds, int titleString) {
  WideTextBuffer text(titleString);
  return Create(window, number, bounds, WideString(text.GetText() != nullptr ? text.GetText() : L""));
}

bool DialogControl::Attach(uint32_t signature, WindowRef window, int number) {
  if (window == nullptr) return false;
  std::shared_ptr<host::ui::Control> c = window->FindControl(signature, number);
  if (!c) return false;
  control_ = c;
  window_ = window;
  number_ = number;
  signature_ = signature;
  owned_ = false;
  return OnAttach();
}

bool DialogControl::Destroy() {
  if (owned_ && control_) control_->Dispose();
  if (owned_) control_.reset();
  owned_ = false;
  return true;
}

bool DialogControl::OnAttach() { return true; }

bool DialogControl::MakeControl(DialogWindow& window, int kind, const UiRect& bounds, const WideString& title) {
  WindowRef w = window.GetWindowRef();
  if (w == nullptr || !w->Alive()) {
    lastStatus_ = -1;
    return false;
  }
  control_ = host::ui::Control::Create(*w, host::ui::Control::Kind(kind), bounds, title, window.GetPaneControl());
  if (!control_) {
    lastStatus_ = -1;
    return false;
  }
  return true;
}

bool DialogControl::Register(DialogWindow& window, int number) {
  if (!Live()) return false;
  control_->SetRefCon(this);
  control_->SetCommandId(uint32_t(number));
  control_->SetId(uint32_t(number), window.GetDialogNumber());
  signature_ = uint32_t(number);
  number_ = window.GetDialogNumber();
  window_ = window.GetWindowRef();
  if (ControlRef pane = window.GetPaneControl()) control_->EmbedIn(*pane);
  control_->SetSmallFont();
  control_->Redraw();
  owned_ = true;
  return true;
}

bool DialogControl::EmbedIn(ControlRef parent) { return Live() && parent != nullptr && control_->EmbedIn(*parent); }

bool DialogControl::GetBounds(UiRect* bounds) const {
  if (!Live() || bounds == nullptr) return false;
  *bounds = control_->Bounds();
  return true;
}

bool DialogControl::GetPosition(int* x, int* y) const {
  UiRect r;
  if (!GetBounds(&r)) return false;
  if (x != nullptr) *x = r.left;
  if (y != nullptr) *y = r.top;
  return true;
}

bool DialogControl::Move(int x, int y) { return Live() && control_->Move(x, y); }
int DialogControl::GetX() const { return Live() ? control_->Bounds().left : 0; }
bool DialogControl::SetX(int x) { return Move(x, GetY()); }
int DialogControl::GetY() const { return Live() ? control_->Bounds().top : 0; }
bool DialogControl::SetY(int y) { return Move(GetX(), y); }

bool DialogControl::GetSize(int* width, int* height) const {
  UiRect r;
  if (!GetBounds(&r)) return false;
  if (width != nullptr) *width = r.Width();
  if (height != nullptr) *height = r.Height();
  return true;
}

bool DialogControl::Resize(int width, int height) { return Live() && control_->Resize(width, height); }
int DialogControl::GetWidth() const { return Live() ? control_->Bounds().Width() : 0; }
bool DialogControl::SetWidth(int width) { return Resize(width, GetHeight()); }
int DialogControl::GetHeight() const { return Live() ? control_->Bounds().Height() : 0; }
bool DialogControl::SetHeight(int height) { return Resize(GetWidth(), height); }
bool DialogControl::Redraw() { return Live() && control_->Redraw(); }
bool DialogControl::Enable(bool enable) { return Live() && control_->SetEnabled(enable); }
bool DialogControl::Show(bool show) { return Live() && control_->SetVisible(show); }
