// The alert of the widget layer: an icon, a bold heading, a detail text and up to three
// buttons (default, cancel, other). Without a parent it is application-modal; with a parent
// window it is modal to that window only. Both block in a nested event loop until a button
// is pressed.
#pragma once

#include <functional>
#include <string>

namespace host::ui {

class Window;

enum class AlertIcon { kStop, kNote, kCaution, kPlain };

struct AlertSpec {
  AlertIcon icon = AlertIcon::kPlain;
  std::wstring heading;  // may be empty
  std::wstring detail;   // shown as it stands
  // Button texts; an empty cancel or other text means no such button. An empty default text
  // shows the system's own "OK".
  std::wstring defaultText;
  std::wstring cancelText;
  std::wstring otherText;
};

// The pressed button: 1 default, 2 cancel, 3 other; 0 when the alert could not be shown.
// Closing the alert without a button counts as the cancel button when there is one, else as
// the default button.
using AlertResponder = std::function<int(const AlertSpec& spec, Window* parent)>;
int RunAlert(const AlertSpec& spec, Window* parent = nullptr);
// Draws the alert (without running it) into a PNG file; false when it can't be written.
bool SaveAlertImage(const AlertSpec& spec, const std::string& path);
// Tests answer alerts without a window; an empty function restores the real alert.
void SetAlertResponder(AlertResponder responder);

// The object name of each alert button, so that tests find them: "alertDefault",
// "alertCancel", "alertOther".
inline constexpr char kAlertDefaultName[] = "alertDefault";
inline constexpr char kAlertCancelName[] = "alertCancel";
inline constexpr char kAlertOtherName[] = "alertOther";

}  // namespace host::ui
