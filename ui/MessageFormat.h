// Message texts with numbered arguments filled in printf-style, but with typed arguments:
// a conversion that does not match its argument is refused instead of reading the wrong
// kind of value. Understood: %% and %[flags][width][.precision][length]conversion with the
// conversions d i u x X c (whole numbers), f F e E g G (reals; a whole number is taken as a
// real), s S (texts; the length letters are ignored, so %ls and %s are the same).
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ui {

using MessageArg = std::variant<std::wstring, long long, double>;

// What each conversion of a format takes, in order.
enum class MessageArgKind { kText, kWhole, kReal };

// Widths and precisions above this are refused (they would only make huge texts).
inline constexpr int kMaxMessageFieldWidth = 1024;

// The kinds of the format's arguments; false when a conversion is malformed.
bool MessageFormatKinds(std::wstring_view format, std::vector<MessageArgKind>& kinds);

// Formats the text; false (and `out` unspecified) when the format is malformed, or the
// arguments are too few, too many or of the wrong kind.
bool FormatMessage(std::wstring_view format, std::span<const MessageArg> args, std::wstring& out);

}  // namespace ui
