// The publishing run's questions and messages in the program's own dialogs: the replace
// question of the toolkit (with "Apply To All" and "Stop"), error and note alerts with the
// numbered texts, and the busy cursor (lifted while an alert waits for its answer).
#pragma once

#include "publish/PublishMovie.h"
#include "ui/MessageBox.h"

class DialogPublishInteraction : public PublishInteraction {
 public:
  // The alerts and the question are modal to `parent` (to the application when null).
  explicit DialogPublishInteraction(ui::WindowRef parent = nullptr) : parent_(parent) {}
  ~DialogPublishInteraction() override;

  // A question closed without an answer stops the run: an existing file is never taken for
  // an absent one.
  int AskReplaceExistingFile(const WideString& path) override;
  // The numbered heading and text; a writer's reason follows the text after a blank line.
  void ShowError(int heading, int text, const std::string& reason) override;
  void ShowErrorText(const std::string& heading, const std::string& text) override;
  void ShowNote(int heading, int text) override;
  void ShowBusy(bool busy) override;

 private:
  class ArrowWhileAlert;

  ui::WindowRef parent_;
  bool busy_ = false;
};
