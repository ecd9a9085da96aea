#include "host/web/PlayerCommands.h"

#include "host/web/RuffleView.h"

namespace host::web {

namespace {

bool IsTrue(const QString& argument) { return argument.trimmed().compare("false", Qt::CaseInsensitive) != 0; }

}  // namespace

bool PlayerCommands::Carry(const QString& command, const QString& argument) {
  const QString name = command.trimmed().toLower();
  if (name == "quit") {
    if (quit_) quit_();
  } else if (name == "fullscreen") {
    IsTrue(argument) ? view_.showFullScreen() : view_.showNormal();
  } else if (name == "allowscale") {
    scaled_ = IsTrue(argument);
    view_.SetScaling(scaled_);
  } else if (name == "showmenu") {
    menu_ = IsTrue(argument);
    view_.SetMenu(menu_);
  } else {
    return false;
  }
  return true;
}

}  // namespace host::web
