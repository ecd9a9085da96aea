// The five pages of the main window's tab control. Each lives in a pane of the main window,
// stores its controls into the project (Commit; false when a value was refused and the page
// has said why) and shows the project in its controls (Refresh). Every edit a page makes to
// the project runs as one EditTransaction.
#pragma once

#include <cstdint>

#include "platform/WideString.h"
#include "ui/DialogWindow.h"

class MainWindow;
class PreloaderData;
class PreloaderDisplay;

class TabPage : public DialogWindow {
 public:
  TabPage(MainWindow& window, PreloaderData& project) : main_(window), project_(project) {}

 protected:
  MainWindow& main_;
  PreloaderData& project_;
};

// The target movie, the stage and the output.
class DocumentPage : public TabPage {
 public:
  using TabPage::TabPage;
  bool OnCommand(uint32_t command, UiEvent& event) override;
  // With `requireTarget` a project without a target movie is refused (message 116).
  bool Commit(bool requireTarget);
  void Refresh();
  // Lets the user choose the target movie ('bBrw'): one edit that takes the movie and its
  // stage; the movie goes to the top of the recent movies. False when nothing was chosen
  // or the movie can't be read.
  bool ChooseTarget();
  // Shows the movie as the target; with `apply` the project takes its address and its
  // stage (size, frame rate, background colour). False, with a message, when the file is
  // no readable movie.
  bool ReadTargetInfo(const WideString& path, bool apply);
  // The output-size line after a build.
  void ShowOutputSize(uint64_t bytes);
  const WideString& GetOutputSizeText() const { return outputSize_; }

  // "%d bytes" below 1024, "%.2f kb" below 1,024,000, "%.2f MB" above (C locale).
  static WideString FormatByteSize(uint64_t bytes);

 private:
  WideString outputSize_;
};

// The chosen display and its settings.
class DisplayPage : public TabPage {
 public:
  using TabPage::TabPage;
  bool CommitToProject() { return true; }
  void RefreshFromProject() {}
  // Forgets the shown display.
  void Reset() { shown_ = nullptr; }
  // Makes the type the project's enabled display in one edit (null: no display), then
  // shows it.
  void SelectDisplay(PreloaderDisplay* display);
  PreloaderDisplay* GetShownDisplay() const { return shown_; }

 private:
  PreloaderDisplay* shown_ = nullptr;
};

class ProgressPage : public TabPage {
 public:
  using TabPage::TabPage;
  bool Commit() { return true; }
  void Refresh() {}
};

class MessagePage : public TabPage {
 public:
  using TabPage::TabPage;
  bool Commit() { return true; }
  void Refresh() {}
};

class ImportsPage : public TabPage {
 public:
  using TabPage::TabPage;
  bool Commit() { return true; }
  void Refresh() {}
};
