// An edit field: text, integers and reals in and out, keystrokes filtered by an input mode,
// and a commit when the user presses Return, Enter or Tab, told to a callback or to the
// window's OnControlChange (no control, this field).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Signal.h"
#include "ui/DialogControl.h"

class EditTextField : public DialogControl {
 public:
  // Input modes: the characters a user may type.
  enum InputMode : int {
    kAnything = 0,
    kLetters = 2,
    kSignedInteger = 3,  // digits and '-'
    kInteger = 4,        // digits
    kSignedReal = 5,     // digits, '-' and one '.'
    kReal = 6,           // digits and one '.'
    kIdentifier = 7,     // letters, digits and '_', not starting with a digit
  };
  using CommitCallback = void (*)(EditTextField* field, uint32_t userValue);

  EditTextField() = default;
  ~EditTextField() override;

  bool Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& text) override;
  bool OnAttach() override;
  int DefaultHeight() const override { return 16; }

  void SetInputMode(int mode);
  int GetInputMode() const { return mode_; }
  void SetPassCommitKeys(bool pass) { passCommitKeys_ = pass; }
  void SetCommitCallback(CommitCallback callback, uint32_t userValue);
  void SetCommitNotifiesWindow(DialogWindow* window);

  bool Clear(bool redraw) { return SetText(WideString(), redraw); }
  bool SetText(const WideString& text, bool redraw);
  // A length-prefixed byte string (Mac Roman).
  bool SetPascalText(const unsigned char* text, bool redraw);
  bool SetInt(int value, bool redraw);
  bool SetFormatted(bool redraw, const wchar_t* format, ...);
  // "%W.Pf" from the non-zero parts: width and precision "%6.2f", width only "%6.f",
  // precision only "%.2f", neither "%f".
  bool SetReal(double value, int width, int precision, bool redraw);

  // The whole text, however long.
  size_t GetTextLength() const;
  // Copies at most capacity - 1 characters and a terminating zero; returns the characters
  // copied (0 and an empty buffer when the text can't be read).
  size_t GetText(wchar_t* buffer, size_t capacity) const;
  int GetInt() const;
  double GetReal() const;
  // A new buffer the caller frees with delete[]; its length into `length` when given.
  wchar_t* GetTextAlloc(size_t* length) const;
  WideString GetTextString() const;

  // Never emitted by the field itself; its users share it.
  Signal<int>& Changed() { return changed_; }
  // Whether the mode lets the character in, given the field's text and selection.
  bool AcceptsCharacter(char32_t c) const;

 private:
  bool FilterKey(char32_t c);
  void Commit();
  void InstallRawKeyHandler();

  std::function<bool(char32_t)> previousFilter_;
  bool previousSaved_ = false;
  int rawKeyHandler_ = 0;
  DialogWindow* notifyWindow_ = nullptr;
  Signal<int> changed_;
  CommitCallback callback_ = nullptr;
  uint32_t userValue_ = 0;
  int mode_ = 0;
  bool passCommitKeys_ = false;
};
