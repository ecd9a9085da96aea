#include "ui/DialogWindow.h"

#include <algorithm>

#include "host/ui/Application.h"
#include "host/ui/Control.h"
#include "host/ui/Window.h"
#include "platform/Paths.h"
#include "ui/DialogControl.h"
#include "ui/NibReference.h"

using host::ui::Event;
using host::ui::kEventNotHandled;

namespace {

int Status(bool handled) { return handled ? 0 : kEventNotHandled; }

}  // namespace

DialogWindow::DialogWindow() = default;

DialogWindow::~DialogWindow() { Destroy(); }

DialogWindow* DialogWindow::FromWindow(WindowRef window) {
  return window != nullptr ? static_cast<DialogWindow*>(window->UserData()) : nullptr;
}

std::vector<host::ui::EventType> DialogWindow::GetEventTypes() {
  using namespace host::ui;
  if (IsSheet()) return {{kClassControl, kControlHit}};
  return {{kClassControl, kControlHit},
          {kClassCommand, kCommandProcess},
          {kClassText, 1},
          {kClassWindow, 1004},
          {kClassWindow, kWindowClose},
          {kClassWindow, kWindowDrawContent},
          {kClassWindow, kWindowBoundsChanged},
          {kClassWindow, kWindowBoundsChanging},
          {kClassWindow, 5},
          {kClassKeyboard, kKeyUp},
          {kClassKeyboard, kKeyDown},
          {kClassMouse, kMouseDown},
          {kClassMouse, kMouseUp},
          {kClassMouse, kMouseMoved},
          {kClassFont, 1},
          {kClassFont, 2}};
}

bool DialogWindow::IsSheet() const {
  return window_ ? window_->GetClass() == host::ui::Window::kSheet
                 : (flags_ & kSheet) != 0 && !(flags_ & kMovableModal);
}

bool DialogWindow::InstallDispatcher(host::ui::EventTarget& target) {
  handlerId_ = target.InstallHandler(GetEventTypes(), [this](Event& e) { return Dispatch(e); });
  return handlerId_ != 0;
}

int DialogWindow::Dispatch(Event& event) {
  using namespace host::ui;
  if (PreTranslateEvent(event)) return 0;
  switch (event.eventClass) {
    case kClassCommand:
      if (event.kind != kCommandProcess) return kEventNotHandled;
      return OnCommand(event.command, event) ? 1 : kEventNotHandled;
    case kClassControl: {
      if (event.kind != kControlHit || event.control == nullptr) return kEventNotHandled;
      std::shared_ptr<Control> hit = event.control->shared_from_this();
      const bool handled = OnCommand(hit->Signature(), event);
      // A window ended by its own command has no field left to report on.
      if (hit != lastHit_ && window_) {
        std::shared_ptr<Control> previous = lastHit_;
        OnControlChange(hit.get(), previous.get());
        if (window_) lastHit_ = hit;
      }
      return Status(handled);
    }
    case kClassFont: return kEventNotHandled;
    case kClassKeyboard:
      if (event.kind == kKeyDown || event.kind == kKeyRepeat) return Status(OnKeyDown(event));
      if (event.kind == kKeyUp) return Status(OnKeyUp(event));
      return kEventNotHandled;
    case kClassMouse: {
      const int button = (event.modifiers & kControlKey) ? 2 : event.button;
      if (event.kind == kMouseDown) {
        if (button == 1) return Status(OnLButtonDown(event.x, event.y, event.modifiers));
        if (button == 2) return Status(OnRButtonDown(event.x, event.y, event.modifiers));
      } else if (event.kind == kMouseUp) {
        if (button == 1) return Status(OnLButtonUp(event.x, event.y, event.modifiers));
        if (button == 2) return Status(OnRButtonUp(event.x, event.y, event.modifiers));
      } else if (event.kind == kMouseMoved) {
        return Status(OnMouseMove(event.x, event.y, event.modifiers));
      }
      return kEventNotHandled;
    }
    case kClassWindow:
      switch (event.kind) {
        case kWindowBoundsChanging: {
          UiRect bounds = event.currentBounds;  // changes are not passed back
          return Status(OnSizing(&bounds, 0));
        }
        case kWindowBoundsChanged: {
          const UiRect& a = event.previousBounds;
          const UiRect& b = event.currentBounds;
          if (a.Width() == b.Width() && a.Height() == b.Height()) return Status(OnMove(b.left, b.top));
          return Status(OnSize(b.Width(), b.Height()));
        }
        case kWindowClose: return Status(OnClose());
        case kWindowDrawContent:
        case kWindowUpdate: return Status(OnPaint());
        default: return kEventNotHandled;
      }
    default: return Status(OnOtherEvent(event.eventClass, event.kind, event));
  }
}

bool DialogWindow::PreTranslateEvent(Event&) { return false; }
bool DialogWindow::OnInitDialog() { return false; }

bool DialogWindow::OnClose() {
  if (window_ && !attachedToPane_) window_->Show(false);
  if (modal_ && window_) window_->QuitModalLoop();
  Destroy();
  return true;
}

bool DialogWindow::OnPaint() { return false; }
bool DialogWindow::OnCommand(uint32_t, Event&) { return false; }
bool DialogWindow::OnSize(int, int) { return false; }
bool DialogWindow::OnSizing(UiRect*, int) { return false; }
bool DialogWindow::OnMove(int, int) { return false; }
bool DialogWindow::OnLButtonDown(int, int, uint32_t) { return false; }
bool DialogWindow::OnLButtonUp(int, int, uint32_t) { return false; }
bool DialogWindow::OnRButtonDown(int, int, uint32_t) { return false; }
bool DialogWindow::OnRButtonUp(int, int, uint32_t) { return false; }
bool DialogWindow::OnMouseMove(int, int, uint32_t) { return false; }
void DialogWindow::OnDropFile(const WideString&, const UiPoint*) {}

int DialogWindow::OnDragReceive(const std::vector<WideString>& paths, UiPoint point) {
  std::vector<WideString> sorted;
  for (const WideString& p : paths) sorted.push_back(MakeAbsolutePath(p));
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const WideString& a, const WideString& b) { return GetFileName(a) < GetFileName(b); });
  const UiPoint elsewhere{32767, 32767};
  for (size_t i = 0; i < sorted.size(); ++i) OnDropFile(sorted[i], i == 0 ? &point : &elsewhere);
  return 0;
}

bool DialogWindow::OnKeyDown(Event&) { return false; }
bool DialogWindow::OnKeyUp(Event&) { return false; }
bool DialogWindow::OnOpenDocument(const WideString&) { return false; }
bool DialogWindow::OnHotKey(int) { return false; }
bool DialogWindow::OnOtherEvent(uint32_t, uint32_t, Event&) { return false; }
bool DialogWindow::OnControlChange(ControlRef, ControlRef) { return false; }

bool DialogWindow::CreateNew(int x, int y, int width, int height, uint32_t flags, WindowRef parent) {
  using W = host::ui::Window;
  if (window_) return false;
  W::Class c = W::kDocument;
  if (flags & kMovableModal)
    c = W::kMovableModal;
  else if (flags & kSheet)
    c = W::kSheet;
  else if (flags & kFloating)
    c = W::kFloating;
  else if (flags & kUtility)
    c = W::kUtility;
  flags_ = flags;
  parent_ = parent;
  window_ =
      W::Create(c, (flags & kCloseBox) != 0, (flags & kResizable) != 0, UiRect{x, y, x + width, y + height}, parent);
  if (!window_) return false;
  if (!InstallDispatcher(window_->Target())) {
    Destroy();
    return false;
  }
  window_->SetUserData(this);
  OnInitDialog();
  if (flags & kShowAtOnce) window_->Show(true);
  return true;
}

bool DialogWindow::CreateModeless(const NibReference& nib, const WideString& name, WindowRef parent, int number) {
  if (window_) return false;
  number_ = number;
  parent_ = parent;
  window_ = nib.CreateWindow(name);
  if (!window_) return false;
  window_->SetParent(parent);
  if (!InstallDispatcher(window_->Target())) {
    Destroy();
    return false;
  }
  window_->SetUserData(this);
  return OnInitDialog();
}

bool DialogWindow::AttachToPane(const NibReference&, int paneId, WindowRef window, int number) {
  if (window_ || window == nullptr) return false;
  std::shared_ptr<host::ui::Control> pane = window->FindControl(0, paneId);
  if (!pane) return false;
  pane_ = pane;
  number_ = number;
  if (!InstallDispatcher(pane_->Target())) {
    pane_.reset();
    return false;
  }
  window_ = window->shared_from_this();
  pane_->SetRefCon(this);
  OnInitDialog();
  attachedToPane_ = true;
  return true;
}

int DialogWindow::DoModal(const NibReference& nib, const WideString& name, WindowRef parent, int number) {
  if (window_) return -1;
  number_ = number;
  parent_ = parent;
  result_ = -1;
  window_ = nib.CreateWindow(name);
  if (!window_) return -1;
  window_->SetParent(parent);
  if (!InstallDispatcher(window_->Target())) {
    Destroy();
    return -1;
  }
  window_->SetUserData(this);
  OnInitDialog();
  if (!window_) return result_;  // ended during its own set-up
  window_->Show(true);
  modal_ = true;
  std::shared_ptr<host::ui::Window> running = window_;
  running->RunModalLoop();
  modal_ = false;
  if (window_) window_->Show(false);
  Destroy();
  return result_;
}

int DialogWindow::RunModal() {
  if (!window_) return -1;
  result_ = -1;
  modal_ = true;
  std::shared_ptr<host::ui::Window> running = window_;
  if (IsSheet()) {
    running->ShowAsSheet();
  } else {
    running->Show(true);
    running->BringToFront();
  }
  running->RunModalLoop();
  if (window_ && !IsSheet()) window_->Show(false);
  Destroy();
  modal_ = false;
  return result_;
}

bool DialogWindow::EndDialog(int result) {
  if (!window_) {
    result_ = -1;
    return false;
  }
  result_ = result;
  if (IsSheet()) window_->Show(false);
  window_->QuitModalLoop();
  OnClose();
  Destroy();
  return true;
}

bool DialogWindow::Destroy() {
  if (!window_) return false;
  if (attachedToPane_) {
    if (pane_) {
      pane_->Target().RemoveHandler(handlerId_);
      pane_->SetRefCon(nullptr);
    }
    attachedToPane_ = false;
  } else {
    window_->Target().RemoveHandler(handlerId_);
    if (window_->UserData() == this) window_->SetUserData(nullptr);
    window_->Dispose();
  }
  handlerId_ = 0;
  pane_.reset();
  lastHit_.reset();
  window_.reset();
  return true;
}

bool DialogWindow::AttachControl(uint32_t signature, DialogControl& control) {
  return control.Attach(signature, window_.get(), number_);
}

bool DialogWindow::Show(bool show) { return window_ && window_->Show(show); }
bool DialogWindow::IsVisible() const { return window_ && window_->IsVisible(); }
bool DialogWindow::Activate(bool activate) { return window_ && window_->Activate(activate); }
bool DialogWindow::BringToFront() { return window_ && window_->BringToFront(); }

bool DialogWindow::GetContentBounds(UiRect* bounds) const {
  if (!window_ || bounds == nullptr) return false;
  *bounds = window_->ContentBounds();
  return true;
}

bool DialogWindow::GetPosition(int* x, int* y) const {
  if (!window_) return false;
  const UiRect r = window_->ContentBounds();
  if (x != nullptr) *x = r.left;
  if (y != nullptr) *y = r.top;
  return true;
}

bool DialogWindow::MoveTo(int x, int y) { return window_ && window_->MoveTo(x, y); }
bool DialogWindow::CenterOnMainScreen(WindowRef) { return window_ && window_->CenterOnPrimaryScreen(); }

bool DialogWindow::GetSize(int* width, int* height) const {
  if (!window_) return false;
  const UiRect r = window_->ContentBounds();
  if (width != nullptr) *width = r.Width();
  if (height != nullptr) *height = r.Height();
  return true;
}

bool DialogWindow::SetSize(int width, int height) { return window_ && window_->Resize(width, height); }
bool DialogWindow::SetTitle(const WideString& title) { return window_ && window_->SetTitle(title); }

WaitCursor::WaitCursor() { host::ui::SetWatchCursor(); }
WaitCursor::~WaitCursor() { host::ui::SetArrowCursor(); }
bool SetWatchCursor() { return host::ui::SetWatchCursor(); }
bool SetArrowCursor() { return host::ui::SetArrowCursor(); }
