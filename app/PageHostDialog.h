// The effect properties window, "IDD_FX_PROPERTIES": a modeless window without controls of
// its own, in which one text effect at a time shows its property panel. What the user sets
// in a panel reaches the effect when the window changes to another effect or to none, when
// Return, Enter or Tab is pressed in a field of the panel, when the window is closed and
// whenever the owner asks (ApplyPanel, before the project is stored or built).
#pragma once

#include "ui/DialogWindow.h"

class TextEffect;

class PageHostDialog : public DialogWindow {
 public:
  // The panel's origin in the window.
  static constexpr UiRect kPanelRect{0, 0, 300, 400};

  PageHostDialog() = default;
  ~PageHostDialog() override;

  // Hosts the effect's panel (null: none). A different effect replaces the hosted one, whose
  // panel is applied and destroyed first; the effect's settings are then shown, also when it
  // was hosted already.
  void SetEffect(TextEffect* effect);
  TextEffect* GetEffect() const { return effect_; }
  // The hosted panel's values into its effect; true without one.
  bool ApplyPanel();

  // The close box hides the window and keeps what the panel shows.
  bool OnClose() override;
  // A field of the panel committed: its values go to the effect.
  bool OnControlChange(ControlRef hit, ControlRef previous) override;

 private:
  TextEffect* effect_ = nullptr;
};
