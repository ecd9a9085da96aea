// The Document page: the target movie, the stage and the output.
#pragma once

#include <cstdint>

#include "app/TabPage.h"
#include "platform/WideString.h"

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
