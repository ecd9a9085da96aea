// Every message of the program: an alert with an icon, a bold heading, a detail text filled
// in from typed arguments, and buttons chosen by a style word. Without a parent window the
// alert is application-modal; with one it is modal to that window (the sheet form). The
// result tells which button was pressed.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "host/ui/Alert.h"
#include "ui/MessageFormat.h"

namespace host::ui {
class Window;
}

namespace ui {

using WindowRef = host::ui::Window*;
using MessageBoxStyle = uint32_t;
using MessageResult = uint32_t;

// Icon flags, tested in this order; none of them: a plain alert.
inline constexpr MessageBoxStyle kStyleStop = 0x100;
inline constexpr MessageBoxStyle kStyleCaution = 0x200;
inline constexpr MessageBoxStyle kStyleNote = 0x400;
// Button flags, tested in this order; none of them: one OK button.
inline constexpr MessageBoxStyle kStyleOk = 1;              // OK
inline constexpr MessageBoxStyle kStyleOkCancel = 2;        // OK (11100), Cancel (11101)
inline constexpr MessageBoxStyle kStyleRetryCancel = 4;     // "Retry", Cancel (11101)
inline constexpr MessageBoxStyle kStyleYesNo = 8;           // Yes (11102), No (11103)
inline constexpr MessageBoxStyle kStyleYesCancelNo = 0x10;  // Yes, Cancel, No
inline constexpr MessageBoxStyle kStyleSaveChanges = 0x20;  // "Save", "Cancel", "Don't Save"
inline constexpr MessageBoxStyle kStyleRetryIgnoreAbort = 0x40;

// Results: the default button; the cancel button or an alert that could not be shown; the
// other button (with kStyleYesNo, the No button).
inline constexpr MessageResult kResultOk = 0x6F6B2020;      // 'ok  '
inline constexpr MessageResult kResultCancel = 0x6E6F7421;  // 'not!'
inline constexpr MessageResult kResultNo = 0x4E6F2121;      // 'No!!'

// The icon and button texts of a style (texts loaded from the bundle where numbered).
host::ui::AlertSpec AlertForStyle(MessageBoxStyle style);
// The result for the pressed item (1 default, 2 cancel, 3 other, 0 not shown).
MessageResult MapResult(MessageBoxStyle style, int item);

using MessageArgs = std::initializer_list<MessageArg>;

// The detail is formatted once with the arguments and shown as it comes out. A detail whose
// conversions do not match the arguments is shown as it stands, unformatted.
MessageResult ShowMessageBox(WindowRef parent, MessageBoxStyle style, std::wstring_view heading,
                             std::wstring_view format, MessageArgs args = {});
MessageResult ShowNoteBox(WindowRef parent, std::wstring_view heading, std::wstring_view format, MessageArgs args = {});
MessageResult ShowErrorBox(WindowRef parent, std::wstring_view heading, std::wstring_view format,
                           MessageArgs args = {});
// Heading "Err: <code>", detail "Type: <code>", a stop alert with OK.
MessageResult ShowErrorCodeBox(WindowRef parent, int code);
// Heading and detail are numbered texts of the bundle; a missing text is empty.
MessageResult ShowMessageBoxById(WindowRef parent, MessageBoxStyle style, int headingNumber, int detailNumber,
                                 MessageArgs args = {});
// As above with a stop icon and OK; a missing heading or detail becomes "Error".
MessageResult ShowErrorBoxById(WindowRef parent, int headingNumber, int detailNumber, MessageArgs args = {});
MessageResult ShowNoteBoxById(WindowRef parent, int headingNumber, int detailNumber, MessageArgs args = {});
// The window-modal form with a detail text shown as it stands. It shows the same buttons as
// the application-modal alert, so a question on a window can still be refused.
MessageResult ShowMessageSheet(WindowRef parent, MessageBoxStyle style, std::wstring_view heading,
                               std::wstring_view detail);

}  // namespace ui
