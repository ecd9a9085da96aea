// A window of the widget layer: a top-level QWidget made from an interface file or in code,
// the controls inside it (found by signature and id), its event target and its modal loop.
//
// Qt events become Events sent along the chain control -> embedding panes -> window ->
// application: clicks on buttons, popups, tabs and edit fields are control hits; mouse events
// go to the window before the widget sees them; keys go to the focused control's chain and
// then through its key filter; closing, moving, resizing and painting go to the window.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/ui/Event.h"

class QWidget;
class QObject;
class QEvent;

namespace host::ui {

class Control;

class Window : public std::enable_shared_from_this<Window> {
 public:
  enum Class { kDocument, kMovableModal, kFloating, kUtility, kSheet };

  // A new empty window whose content has its top left at (x, y) on the screen.
  static std::shared_ptr<Window> Create(Class windowClass, bool closeBox, bool resizable, Rect content, Window* parent);
  // Takes a top-level widget made elsewhere (the interface loader). The class comes from the
  // widget's "windowClass" property ("document", "movableModal", "floating", "utility",
  // "sheet"; document when missing).
  static std::shared_ptr<Window> Adopt(QWidget* root);

  // The window whose top-level widget this is (or that holds it); null when none.
  static std::shared_ptr<Window> FromWidget(QWidget* widget);

  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  bool Alive() const;
  Class GetClass() const { return class_; }
  EventTarget& Target() { return target_; }
  QWidget* Widget() const;

  // Hides the window, removes its handlers and deletes its widget once control is back in
  // the event loop; every control of the window reports !Alive() from then on.
  void Dispose();

  void SetParent(Window* parent);
  bool Show(bool show);
  bool IsVisible() const;
  bool Activate(bool activate);
  bool BringToFront();
  // Shows a sheet: window-modal over its parent, at the parent's top centre.
  bool ShowAsSheet();
  Rect ContentBounds() const;  // in screen coordinates
  bool MoveTo(int x, int y);
  bool Resize(int width, int height);
  bool CenterOnPrimaryScreen();
  bool SetTitle(const std::wstring& title);
  std::wstring Title() const;
  void ClearKeyboardFocus();
  // Renders the window's content into a PNG file (written beside it, then renamed over it).
  bool SaveImage(const std::string& path) const;

  // A line of text drawn over a picture: its baseline starts at (x, y), in the system font,
  // in the colour 0xRRGGBB.
  struct PictureText {
    int x = 0, y = 0;
    std::wstring text;
    int pointSize = 10;
    uint32_t rgb = 0;
  };
  // Shows a picture at the content's top left, under every control, with the texts drawn over
  // it; replaces the picture shown before. The pixels are 4 bytes each in the order A R G B,
  // rows `rowBytes` apart. False for a null or empty picture.
  bool ShowPicture(const uint8_t* argb, int width, int height, size_t rowBytes, const std::vector<PictureText>& texts);
  // The control with that signature and id, searched depth first; null when none.
  std::shared_ptr<Control> FindControl(uint32_t signature, int id);
  // The control wrapper of a widget of this window (made on first request).
  std::shared_ptr<Control> ControlFor(QWidget* widget);

  // Pointer-sized data of the owner (the toolkit keeps its window object here).
  void SetUserData(void* data) { userData_ = data; }
  void* UserData() const { return userData_; }

  // Runs an application-modal loop for the window until QuitModalLoop; loops nest.
  void RunModalLoop();
  void QuitModalLoop();
  bool InModalLoop() const { return loopDepth_ > 0; }

  // Sends an event along the chain that starts at the widget (a control of this window, or
  // the window itself for null): controls, panes, window, application.
  int SendFrom(QWidget* from, Event& event);
  // Delivers a pending move or resize at once, as one bounds-changed event.
  void FlushBoundsChange();

  // Called for the widgets of the window (and controls made later) to route their events.
  void Hook(QWidget* widget);

 private:
  class Filter;
  friend class Filter;
  friend class Control;

  Window() = default;
  void Init(QWidget* root, Class windowClass);
  bool OnQtEvent(QWidget* widget, QEvent* event);
  void SendControlHit(QWidget* widget);

  struct Data;
  std::unique_ptr<Data> d_;
  Class class_ = kDocument;
  EventTarget target_;
  void* userData_ = nullptr;
  int loopDepth_ = 0;
  bool disposed_ = false;
};

}  // namespace host::ui
