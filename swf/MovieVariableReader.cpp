#include "swf/MovieVariableReader.h"

#include <charconv>
#include <utility>

#include "swf/ActionConstantPool.h"
#include "swf/ActionPush.h"
#include "swf/DoActionTag.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"
#include "swf/SwfRecord.h"

namespace {

constexpr int kDoActionCode = 12;
constexpr uint8_t kSetVariableCode = 0x1D;

// The name as it is compared: up to a NUL character, A to Z as a to z. Nothing else is
// folded, so the result never depends on the user's locale.
std::wstring FoldName(const std::wstring& name) {
  std::wstring folded = name.substr(0, name.find(L'\0'));
  for (wchar_t& c : folded) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return folded;
}

WideString AsciiText(const char* begin, const char* end) { return WideString(std::wstring(begin, end)); }

// "%d" and "%f" in the C locale.
WideString FormatInteger(int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return AsciiText(buffer, result.ptr);
}

WideString FormatFixed(double value) {
  // The largest double has 309 integer digits; sign, point and six decimals come on top.
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (result.ec != std::errc()) return WideString();
  return AsciiText(buffer, result.ptr);
}

}  // namespace

MovieVariableReader::MovieVariableReader() = default;
MovieVariableReader::~MovieVariableReader() = default;

bool MovieVariableReader::ReadFile(const WideString& path, int extraFrames) {
  SwfReader reader;
  // The header only: the tags are taken one at a time below.
  if (!reader.LoadFileWithOptions(path, true, 0, false)) return false;
  stageWidth_ = reader.GetFrameWidth();
  stageHeight_ = reader.GetFrameHeight();
  frameRate_ = reader.GetHeader().frameRate;

  // Values and the constant pool belong to the movie they were met in.
  stack_.clear();
  pool_.clear();
  scanCharacters_ = 0;

  int frames = 0;
  for (;;) {
    reader.ByteAlign();
    if (reader.GetRemaining() < 2) break;
    SwfTagHeader header;
    if (!ReadTagHeader(reader, header)) break;
    if (header.code == kSwfTagEnd) break;
    if (header.code == kSwfTagShowFrame && frames++ >= extraFrames) break;
    // Every body is read or passed over inside its declared length, cut to the data.
    reader.SetCurrentTagLength(header.length);
    SwfReaderRange body(reader, header.length, SwfReaderRange::Overrun::Contain);
    if (header.code != kDoActionCode) continue;
    DoActionTag tag;
    tag.Read(reader);
    body.Close();
    if (!ScanActions(tag)) break;
  }
  stack_.clear();
  pool_.clear();
  return true;
}

bool MovieVariableReader::ScanActions(DoActionTag& tag) {
  for (const std::unique_ptr<ActionRecord>& action : tag.Actions()) {
    // The script runs to its first End; what follows it runs only when jumped to.
    if (action->Kind() == ActionKind::Generic && action->ActionCode() == 0) break;
    switch (action->Kind()) {
      case ActionKind::Push: {
        for (const PushValue& value : static_cast<const ActionPush&>(*action).values) {
          bool pushed = true;
          switch (value.type) {
            case PushValue::kString: pushed = PushText(value.text); break;
            case PushValue::kFloat: pushed = PushText(FormatFixed(value.Float())); break;
            case PushValue::kDouble: pushed = PushText(FormatFixed(value.number)); break;
            case PushValue::kInteger: pushed = PushText(FormatInteger(value.Integer())); break;
            case PushValue::kBoolean: pushed = PushText(value.bits == 0 ? L"false" : L"true"); break;
            case PushValue::kNull: pushed = PushText(L"NULL"); break;
            case PushValue::kUndefined: pushed = PushText(L"UNDEF"); break;
            case PushValue::kConstant8:
            case PushValue::kConstant16:
              // An index past the end of the pool gives its last string; a pool without
              // strings, or none at all, gives nothing.
              if (!pool_.empty()) pushed = PushText(pool_[value.bits < pool_.size() ? value.bits : pool_.size() - 1]);
              break;
            default:  // a register: its content is not known without playing
              break;
          }
          if (!pushed) return false;
        }
        break;
      }
      case ActionKind::ConstantPool: pool_ = std::move(static_cast<ActionConstantPool&>(*action).strings); break;
      default:
        if (action->ActionCode() == 0x88) {
          // A pool whose bytes do not fit its layout: later references find no strings.
          pool_.clear();
        } else if (action->ActionCode() == kSetVariableCode) {
          WideString value;
          WideString name;
          const bool hasValue = PopText(value);
          if (hasValue && PopText(name)) Assign(std::move(name), std::move(value));
        }
        break;
    }
  }
  return true;
}

bool MovieVariableReader::PushText(WideString text) {
  const uint64_t cost = uint64_t{text.size()} + 1;
  if (scanCharacters_ + cost > kMaxScanCharacters) return false;
  scanCharacters_ += cost;
  if (stack_.size() >= kMaxPendingValues) stack_.pop_front();
  stack_.push_back(std::move(text));
  return true;
}

bool MovieVariableReader::PopText(WideString& text) {
  if (stack_.empty()) return false;
  text = std::move(stack_.back());
  stack_.pop_back();
  return true;
}

void MovieVariableReader::Assign(WideString name, WideString value) {
  std::wstring key = FoldName(name);
  if (values_.size() >= kMaxVariables && values_.find(key) == values_.end()) return;
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  values_.emplace(std::move(key), std::move(value));
}

bool MovieVariableReader::GetValue(const WideString& name, WideString& out) const {
  const auto found = values_.find(FoldName(name));
  if (found == values_.end()) return false;
  out = found->second;
  return true;
}
