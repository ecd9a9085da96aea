// The push button with which a page lets the user pick a font: its title names the font it
// holds ("DejaVu Sans Bold 14 pt") and a click opens the font chooser for that font.
#pragma once

#include "platform/PlatformFont.h"
#include "ui/Buttons.h"

class FontButton : public PushButton {
 public:
  // Told after every change of the held font made through the chooser.
  using ChangeCallback = void (*)(const PlatformFont& font, void* userData);

  explicit FontButton(ChangeCallback callback = nullptr, void* userData = nullptr);
  ~FontButton() override;

  bool Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) override;
  // Installs the click handler and shows the held font in the title.
  bool OnAttach() override;

  void SetChangeCallback(ChangeCallback callback, void* userData);
  const PlatformFont& GetPlatformFont() const { return font_; }
  // Holds a copy of the font and shows it in the title; the change callback is not told.
  void SetPlatformFont(const PlatformFont& font, bool redraw);
  // While off, clicks are left to the window and no chooser opens.
  void SetChooserEnabled(bool enabled) { enabled_ = enabled; }
  bool IsChooserEnabled() const { return enabled_; }
  // Where the chooser opens next: where it was when it last closed.
  const UiRect& GetChooserRect() const { return chooserRect_; }

  // "<name> <style words> <size> pt".
  static WideString LabelFor(const PlatformFont& font);

 private:
  int OnClick();
  void Relabel(bool redraw);

  PlatformFont font_;
  bool enabled_ = true;
  int handlerId_ = 0;
  UiRect chooserRect_{400, 400, 900, 720};
  ChangeCallback callback_ = nullptr;
  void* userData_ = nullptr;
};
