// The player commands a movie sends ("FSCommand:" addresses), carried out on a player's view:
// fullscreen, allowscale and showmenu with "true" or "false" (anything but "false" counts as
// true), and quit. Other commands ("exec", "trapallkeys") are refused.
#pragma once

#include <QString>
#include <functional>
#include <utility>

namespace host::web {

class RuffleView;

class PlayerCommands {
 public:
  PlayerCommands(RuffleView& view, std::function<void()> quit) : view_(view), quit_(std::move(quit)) {}

  // True when the command was one the player carries out.
  bool Carry(const QString& command, const QString& argument);

  bool Scaled() const { return scaled_; }
  bool MenuShown() const { return menu_; }

 private:
  RuffleView& view_;
  std::function<void()> quit_;
  bool scaled_ = true;
  bool menu_ = true;
};

}  // namespace host::web
