// The window base: dispatch of events to the virtual operations, modal loops, pages bound to
// panes, and the life of windows and of the wrappers bound to them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "host/ui/Application.h"
#include "ui/Buttons.h"
#include "ui/DialogControl.h"
#include "ui/DialogWindow.h"

using host::ui::Event;
using host::ui::FourCC;
using host::ui::kEventNotHandled;
using uitest::TestNib;
using uitest::WidgetOf;

namespace {

std::string Code(uint32_t c) { return std::string{char(c >> 24), char(c >> 16), char(c >> 8), char(c)}; }

std::string Sig(ControlRef c) { return c == nullptr ? "none" : Code(c->Signature()); }

// Writes every virtual call into a log; answers "handled" for the operations named in
// `handles`.
class RecordingWindow : public DialogWindow {
 public:
  std::vector<std::string> log;
  std::vector<std::string> handles;
  std::function<bool(uint32_t)> onCommand;
  bool logMouse = false;

  bool Handles(const std::string& what) const {
    for (const std::string& h : handles) {
      if (h == what) return true;
    }
    return false;
  }
  bool OnInitDialog() override {
    log.push_back("init");
    return true;
  }
  bool OnCommand(uint32_t command, Event&) override {
    log.push_back("command " + Code(command));
    if (onCommand) return onCommand(command);
    return Handles("command");
  }
  bool OnControlChange(ControlRef hit, ControlRef previous) override {
    log.push_back("change " + Sig(hit) + " from " + Sig(previous));
    return false;
  }
  bool OnClose() override {
    log.push_back("close");
    return DialogWindow::OnClose();
  }
  bool OnPaint() override { return Handles("paint"); }
  bool OnSize(int w, int h) override {
    log.push_back("size " + std::to_string(w) + "x" + std::to_string(h));
    return Handles("size");
  }
  bool OnMove(int x, int y) override {
    log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    return Handles("move");
  }
  bool OnSizing(UiRect*, int) override {
    log.push_back("sizing");
    return false;
  }
  bool OnLButtonDown(int x, int y, uint32_t) override {
    if (logMouse) log.push_back("ldown " + std::to_string(x) + "," + std::to_string(y));
    return Handles("mouse");
  }
  bool OnRButtonDown(int x, int y, uint32_t) override {
    if (logMouse) log.push_back("rdown " + std::to_string(x) + "," + std::to_string(y));
    return Handles("mouse");
  }
  bool OnLButtonUp(int, int, uint32_t) override {
    if (logMouse) log.push_back("lup");
    return Handles("mouse");
  }
  bool OnRButtonUp(int, int, uint32_t) override {
    if (logMouse) log.push_back("rup");
    return Handles("mouse");
  }
  bool OnKeyDown(Event& e) override {
    log.push_back("keydown " + std::to_string(int(e.character)));
    return Handles("key");
  }
  bool OnKeyUp(Event&) override {
    log.push_back("keyup");
    return false;
  }
  bool OnOtherEvent(uint32_t cls, uint32_t, Event&) override {
    log.push_back("other " + Code(cls));
    return Handles("other");
  }
  void OnDropFile(const WideString& path, const UiPoint* p) override {
    log.push_back("drop " + WideToUtf8(path) + " at " + std::to_string(p->x) + "," + std::to_string(p->y));
  }
};

// Loads the toolkit test window modeless and shown.
void OpenTestWindow(RecordingWindow& w) {
  ASSERT_TRUE(w.CreateModeless(TestNib(), L"IDD_TOOLKIT_TEST", nullptr, 7)) << TestNib().LastError();
  w.Show(true);
  w.log.clear();
}

Event Make(uint32_t cls, uint32_t kind) {
  Event e;
  e.eventClass = cls;
  e.kind = kind;
  return e;
}

TEST(DialogWindowDispatch, EventsReachTheirOperationsWithTheRightStatus) {
  using namespace host::ui;
  struct Case {
    const char* name;
    Event event;
    std::vector<std::string> handles;
    int status;
    std::vector<std::string> log;
  };
  Event cmd = Make(kClassCommand, kCommandProcess);
  cmd.command = FourCC("new ");
  Event ctrlClick = Make(kClassMouse, kMouseDown);
  ctrlClick.x = 5;
  ctrlClick.y = 6;
  ctrlClick.modifiers = kControlKey;
  Event rightUp = Make(kClassMouse, kMouseUp);
  rightUp.button = 2;
  Event otherButton = Make(kClassMouse, kMouseDown);
  otherButton.button = 3;
  Event moved = Make(kClassWindow, kWindowBoundsChanged);
  moved.previousBounds = {10, 10, 110, 60};
  moved.currentBounds = {30, 40, 130, 90};
  Event resized = moved;
  resized.currentBounds = {30, 40, 150, 100};
  Event key = Make(kClassKeyboard, kKeyDown);
  key.character = 'a';
  const std::vector<Case> cases = {
      {"command handled", cmd, {"command"}, 1, {"command new "}},
      {"command not handled", cmd, {}, kEventNotHandled, {"command new "}},
      {"control-click is a right click", ctrlClick, {"mouse"}, 0, {"rdown 5,6"}},
      {"right button up", rightUp, {}, kEventNotHandled, {"rup"}},
      {"third button", otherButton, {"mouse"}, kEventNotHandled, {}},
      {"origin change is a move", moved, {"move"}, 0, {"move 30,40"}},
      {"size change is a size, origin too", resized, {}, kEventNotHandled, {"size 120x60"}},
      {"bounds changing", Make(kClassWindow, kWindowBoundsChanging), {}, kEventNotHandled, {"sizing"}},
      {"close", Make(kClassWindow, kWindowClose), {}, 0, {"close"}},
      {"key down", key, {"key"}, 0, {"keydown 97"}},
      {"key up", Make(kClassKeyboard, kKeyUp), {}, kEventNotHandled, {"keyup"}},
      {"font events pass", Make(kClassFont, 2), {"other"}, kEventNotHandled, {}},
      {"text events go to OnOtherEvent", Make(kClassText, 1), {"other"}, 0, {"other text"}},
      {"unknown window kind", Make(kClassWindow, 1004), {}, kEventNotHandled, {}},
  };
  for (const Case& c : cases) {
    RecordingWindow w;
    w.logMouse = true;
    w.handles = c.handles;
    Event e = c.event;
    EXPECT_EQ(w.Dispatch(e), c.status) << c.name;
    EXPECT_EQ(w.log, c.log) << c.name;
  }
}

TEST(DialogWindowDispatch, ControlHitsReportChangesOfTheHitControl) {
  RecordingWindow w;
  OpenTestWindow(w);
  ControlRef ok = w.GetWindowRef()->FindControl(FourCC("ok  "), 7).get();
  ControlRef check = w.GetWindowRef()->FindControl(FourCC("chk1"), 7).get();
  ASSERT_NE(ok, nullptr);
  ASSERT_NE(check, nullptr);
  Event hit = Make(host::ui::kClassControl, host::ui::kControlHit);
  hit.control = ok;
  w.handles = {"command"};
  EXPECT_EQ(w.Dispatch(hit), 0);
  EXPECT_EQ(w.Dispatch(hit), 0);  // the same control again: no change
  w.handles = {};
  hit.control = check;
  EXPECT_EQ(w.Dispatch(hit), kEventNotHandled);  // not handled, yet the change is reported
  EXPECT_EQ(w.log, (std::vector<std::string>{"command ok  ", "change ok   from none", "command ok  ", "command chk1",
                                             "change chk1 from ok  "}));
}

TEST(DialogWindowDispatch, EventTypesOfSheetsAndOtherWindows) {
  DialogWindow sheet;
  ASSERT_TRUE(sheet.CreateNew(0, 0, 200, 100, DialogWindow::kSheet, nullptr));
  EXPECT_EQ(sheet.GetEventTypes().size(), 1u);
  DialogWindow doc;
  ASSERT_TRUE(doc.CreateNew(0, 0, 200, 100, 0, nullptr));
  EXPECT_EQ(doc.GetEventTypes().size(), 16u);
}

// Which target handles a click on a button inside a pane: each row lets one of them (or
// none) answer and lists who saw the event.
TEST(DialogWindowDispatch, ClicksTravelFromControlThroughPaneAndWindowToTheApplication) {
  using namespace host::ui;
  struct Case {
    std::string handler;
    std::vector<std::string> seen;
  };
  const std::vector<Case> cases = {
      {"control", {"control"}},
      {"pane", {"control", "pane"}},
      {"window", {"control", "pane", "window"}},
      {"application", {"control", "pane", "window", "application"}},
      {"nobody", {"control", "pane", "window", "application"}},
  };
  for (const Case& c : cases) {
    std::shared_ptr<Window> w = TestNib().CreateWindow(L"IDD_TOOLKIT_TEST");
    ASSERT_TRUE(w);
    w->Show(true);
    std::vector<std::string> seen;
    auto recorder = [&](const std::string& name) {
      return [&seen, &c, name](Event& e) {
        EXPECT_EQ(e.control != nullptr ? e.control->Signature() : 0u, FourCC("pb10"));
        seen.push_back(name);
        return c.handler == name ? 0 : kEventNotHandled;
      };
    };
    const std::vector<EventType> hits = {{kClassControl, kControlHit}};
    w->FindControl(FourCC("pb10"), 1000)->Target().InstallHandler(hits, recorder("control"));
    w->FindControl(0, 1000)->Target().InstallHandler(hits, recorder("pane"));
    w->Target().InstallHandler(hits, recorder("window"));
    const int app = ApplicationTarget().InstallHandler(hits, recorder("application"));
    QTest::mouseClick(WidgetOf(w.get(), "pb10", 1000), Qt::LeftButton);
    ApplicationTarget().RemoveHandler(app);
    EXPECT_EQ(seen, c.seen) << c.handler;
    w->Dispose();
  }
  uitest::Flush();
}

TEST(DialogWindowDispatch, AnUnhandledCloseDisposesTheWindow) {
  std::shared_ptr<host::ui::Window> w = TestNib().CreateWindow(L"IDD_SMALL");
  ASSERT_TRUE(w);
  w->Show(true);
  w->Widget()->close();
  EXPECT_FALSE(w->Alive());
}

TEST(DialogWindowDispatch, RealMouseAndKeyEventsReachTheWindow) {
  RecordingWindow w;
  w.logMouse = true;
  OpenTestWindow(w);
  QWidget* label = WidgetOf(w.GetWindowRef(), "stx1", 7);
  QTest::mousePress(label, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
  QTest::mousePress(label, Qt::LeftButton, Qt::MetaModifier, QPoint(3, 4));
  QTest::mousePress(label, Qt::LeftButton, Qt::NoModifier, QPoint(3, 4));
  QTest::keyClick(WidgetOf(w.GetWindowRef(), "edt1", 7), Qt::Key_B);
  EXPECT_EQ(w.log, (std::vector<std::string>{"rdown 23,150", "rdown 23,150", "ldown 23,150", "keydown 98", "keyup"}));
}

TEST(DialogWindowDispatch, MovingAndResizingGiveOneCallEach) {
  RecordingWindow w;
  ASSERT_TRUE(w.CreateNew(40, 50, 200, 120, DialogWindow::kResizable | DialogWindow::kShowAtOnce, nullptr));
  uitest::Flush();
  w.log.clear();
  w.MoveTo(60, 70);
  uitest::Flush();
  w.SetSize(220, 130);
  uitest::Flush();
  w.MoveTo(80, 90);
  w.SetSize(230, 140);
  uitest::Flush();
  EXPECT_EQ(w.log, (std::vector<std::string>{"move 60,70", "sizing", "size 220x130", "sizing", "size 230x140"}));
}

TEST(DialogWindowDrop, FilesArriveSortedByNameAndOnlyTheFirstHasThePoint) {
  RecordingWindow w;
  EXPECT_EQ(w.OnDragReceive({L"/tmp/b/zeta.swf", L"/tmp/a/alpha.swf", L"/tmp/c/mid.swf"}, UiPoint{12, 34}), 0);
  EXPECT_EQ(w.log, (std::vector<std::string>{"drop /tmp/a/alpha.swf at 12,34", "drop /tmp/c/mid.swf at 32767,32767",
                                             "drop /tmp/b/zeta.swf at 32767,32767"}));
}

TEST(DialogWindowModal, UnknownWindowNameGivesMinusOneAndNoCalls) {
  RecordingWindow w;
  EXPECT_EQ(w.DoModal(TestNib(), L"IDD_NO_SUCH_WINDOW", nullptr, 7), -1);
  EXPECT_EQ(w.DoModal(TestNib(), L"../ui/IDD_SMALL", nullptr, 7), -1);
  EXPECT_TRUE(w.log.empty());
  EXPECT_EQ(w.GetWindowRef(), nullptr);
}

// A dialog ended from the handler of its own button: the result comes back, the window is
// gone afterwards and nothing touches freed widgets.
TEST(DialogWindowModal, AButtonEndsTheDialogWithItsResult) {
  RecordingWindow w;
  w.onCommand = [&w](uint32_t command) { return w.EndDialog(int(command)); };
  std::weak_ptr<host::ui::Window> window;
  uitest::Soon([&] {
    window = w.GetWindowRef()->weak_from_this();
    EXPECT_TRUE(w.IsModalRunning());
    QTest::mouseClick(WidgetOf(w.GetWindowRef(), "ok  ", 9), Qt::LeftButton);
  });
  EXPECT_EQ(w.DoModal(TestNib(), L"IDD_SMALL", nullptr, 9), int(FourCC("ok  ")));
  EXPECT_FALSE(w.IsModalRunning());
  EXPECT_EQ(w.GetWindowRef(), nullptr);
  uitest::Flush();
  EXPECT_TRUE(window.expired());
  EXPECT_EQ(w.log, (std::vector<std::string>{"init", "command ok  ", "close"}));
  // The object can open its window again.
  uitest::Soon([&] { QTest::mouseClick(WidgetOf(w.GetWindowRef(), "not!", 9), Qt::LeftButton); });
  EXPECT_EQ(w.DoModal(TestNib(), L"IDD_SMALL", nullptr, 9), int(FourCC("not!")));
}

TEST(DialogWindowModal, ModalLoopsNestAndEndInOrder) {
  RecordingWindow outer, inner;
  int innerResult = 0;
  inner.onCommand = [&](uint32_t c) { return inner.EndDialog(int(c)); };
  outer.onCommand = [&](uint32_t c) {
    if (c != FourCC("ok  ")) return false;
    uitest::Soon([&] { QTest::mouseClick(WidgetOf(inner.GetWindowRef(), "not!", 9), Qt::LeftButton); });
    innerResult = inner.DoModal(TestNib(), L"IDD_SMALL", outer.GetWindowRef(), 9);
    EXPECT_TRUE(outer.IsModalRunning());
    return outer.EndDialog(42);
  };
  const int before = host::ui::ModalLoopsEndedByWatchdog();
  uitest::Soon([&] { QTest::mouseClick(WidgetOf(outer.GetWindowRef(), "ok  ", 9), Qt::LeftButton); });
  EXPECT_EQ(outer.DoModal(TestNib(), L"IDD_SMALL", nullptr, 9), 42);
  EXPECT_EQ(innerResult, int(FourCC("not!")));
  EXPECT_EQ(host::ui::ModalLoopsEndedByWatchdog(), before);
}

TEST(DialogWindowModal, TheWatchdogEndsALoopNobodyEnds) {
  const int saved = host::ui::ModalLoopWatchdogMs();
  host::ui::SetModalLoopWatchdog(150);
  const int before = host::ui::ModalLoopsEndedByWatchdog();
  RecordingWindow w;
  EXPECT_EQ(w.DoModal(TestNib(), L"IDD_SMALL", nullptr, 9), -1);
  EXPECT_EQ(host::ui::ModalLoopsEndedByWatchdog(), before + 1);
  host::ui::SetModalLoopWatchdog(saved);
}

TEST(DialogWindowModal, EndDialogWithoutAWindowFails) {
  DialogWindow w;
  EXPECT_FALSE(w.EndDialog(5));
  EXPECT_EQ(w.GetResult(), -1);
  EXPECT_FALSE(w.Destroy());
}

TEST(DialogWindowModal, RunModalOfAWindowMadeInCode) {
  RecordingWindow w;
  ASSERT_TRUE(w.CreateNew(10, 10, 200, 100, DialogWindow::kMovableModal, nullptr));
  uitest::Soon([&] { w.EndDialog(3); });
  EXPECT_EQ(w.RunModal(), 3);
  EXPECT_EQ(w.GetWindowRef(), nullptr);
}

// A page bound to a pane sees the hits of its controls first; what it leaves reaches the
// window that owns the pane.
TEST(DialogWindowPane, PageSeesItsControlsFirstAndTheWindowGetsTheRest) {
  RecordingWindow window, page;
  OpenTestWindow(window);
  ASSERT_TRUE(page.AttachToPane(TestNib(), 1000, window.GetWindowRef(), 1000));
  EXPECT_TRUE(page.IsAttachedToPane());
  EXPECT_EQ(page.log, std::vector<std::string>{"init"});
  page.log.clear();
  QWidget* button = WidgetOf(window.GetWindowRef(), "pb10", 1000);
  page.handles = {"command"};
  QTest::mouseClick(button, Qt::LeftButton);
  page.handles = {};
  QTest::mouseClick(button, Qt::LeftButton);
  QTest::mouseClick(WidgetOf(window.GetWindowRef(), "ok  ", 7), Qt::LeftButton);
  EXPECT_EQ(page.log, (std::vector<std::string>{"command pb10", "change pb10 from none", "command pb10"}));
  EXPECT_EQ(window.log, (std::vector<std::string>{"command pb10", "change pb10 from none", "command ok  ",
                                                  "change ok   from pb10"}));
  EXPECT_FALSE(page.AttachToPane(TestNib(), 1000, window.GetWindowRef(), 1000));  // already bound
  EXPECT_TRUE(page.Destroy());
  EXPECT_TRUE(window.GetWindowRef()->Alive());  // the page lets go of the pane only
  RecordingWindow stray;
  EXPECT_FALSE(stray.AttachToPane(TestNib(), 4242, window.GetWindowRef(), 1));
}

TEST(DialogWindowLife, ClosingTheWindowCallsOnCloseAndDestroysIt) {
  RecordingWindow w;
  OpenTestWindow(w);
  w.GetWindowRef()->Widget()->close();
  EXPECT_EQ(w.log, std::vector<std::string>{"close"});
  EXPECT_EQ(w.GetWindowRef(), nullptr);
  uitest::Flush();
}

// Wrappers that outlive their window: they report empty and their operations fail, whether
// they were bound to an interface control or created their own.
TEST(DialogWindowLife, WrappersOutlivingTheirWindowFailQuietly) {
  DialogControl bound;
  auto made = std::make_unique<PushButton>();
  {
    RecordingWindow w;
    OpenTestWindow(w);
    ASSERT_TRUE(w.AttachControl(FourCC("chk1"), bound));
    ASSERT_TRUE(made->Create(w, 5200, UiRect{10, 10, 90, 30}, L"Made"));
    EXPECT_FALSE(bound.IsEmpty());
    w.Destroy();
    EXPECT_TRUE(bound.IsEmpty());
    EXPECT_TRUE(made->IsEmpty());
    uitest::Flush();
  }
  EXPECT_FALSE(bound.Move(1, 2));
  EXPECT_FALSE(bound.Enable(true));
  EXPECT_EQ(bound.GetWidth(), 0);
  EXPECT_FALSE(made->SetTitle(L"Gone", true));
  EXPECT_TRUE(made->Destroy());  // its widget went with the window: nothing to dispose twice
  made.reset();
  uitest::Flush();
}

}  // namespace
