#include "swf/ActionListing.h"

#include <locale.h>
#include <clocale>
#include <cstdarg>
#include <cwchar>
#include <string>
#include <vector>

#include "swf/ActionBranch.h"
#include "swf/ActionConstantPool.h"
#include "swf/ActionGeneric.h"
#include "swf/ActionPush.h"
#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"
#include "swf/SwfString.h"

namespace {

// Wide printf in the C locale into a buffer that grows until the text fits.
// Gives up (empty text) past a size no listing line reaches.
WideString FormatV(const wchar_t* format, va_list args) {
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  locale_t previous = uselocale(cLocale);
  WideString result;
  for (size_t size = 256; size <= (size_t{1} << 24); size *= 2) {
    std::vector<wchar_t> buffer(size);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vswprintf(buffer.data(), size, format, copy);
    va_end(copy);
    if (n >= 0) {
      result.assign(buffer.data(), static_cast<size_t>(n));
      break;
    }
  }
  uselocale(previous);
  return result;
}

WideString Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  WideString text = FormatV(format, args);
  va_end(args);
  return text;
}

WideString PushValueText(const PushValue& v) {
  switch (v.type) {
    case PushValue::kString: return L"\"" + v.text + L"\"";
    case PushValue::kFloat: return Format(L"%.4f", static_cast<double>(v.Float()));
    case PushValue::kDouble: return Format(L"%.4f", v.number);
    case PushValue::kNull: return L"NULL";
    case PushValue::kUndefined: return L"UNDEF";
    case PushValue::kRegister: return Format(L"reg: %d", static_cast<int>(v.bits));
    case PushValue::kBoolean: return v.bits ? L"True" : L"False";
    case PushValue::kInteger: return Format(L"%d", v.Integer());
    case PushValue::kConstant8:
    case PushValue::kConstant16: return Format(L"dict: %d", static_cast<int>(v.bits));
    default: return Format(L"?: %d", static_cast<int>(v.type));
  }
}

WideString FunctionText(const WideString& name, const std::vector<WideString>& parameters) {
  WideString text = name.empty() ? WideString(L"Anonymous") : name;
  text += L"(";
  for (size_t i = 0; i < parameters.size(); ++i) {
    if (i) text += L", ";
    text += parameters[i];
  }
  text += L")";
  return text;
}

// Name and parameters of a DefineFunction kept as bytes; false when the
// payload does not hold them.
bool DecodeFunction(const std::vector<uint8_t>& p, WideString& name, std::vector<WideString>& parameters) {
  size_t pos = 0;
  auto text = [&](WideString& out) {
    size_t end = pos;
    while (end < p.size() && p[end] != 0) ++end;
    if (end >= p.size()) return false;
    out = DecodeSwfString(std::string_view(reinterpret_cast<const char*>(p.data() + pos), end - pos),
                          kActionDefaultTextVersion);
    pos = end + 1;
    return true;
  };
  if (!text(name) || pos + 2 > p.size()) return false;
  const size_t count = p[pos] | (p[pos + 1] << 8);
  pos += 2;
  for (size_t i = 0; i < count; ++i) {
    WideString parameter;
    if (!text(parameter)) return false;
    parameters.push_back(std::move(parameter));
  }
  return true;
}

std::unique_ptr<ActionListingLine> Line(const ActionRecord& action, WideString text) {
  auto line = std::make_unique<ActionListingLine>();
  line->text = std::move(text);
  line->action = action.Clone();
  return line;
}

}  // namespace

std::unique_ptr<ActionListingLine> FormatListingLine(std::unique_ptr<ActionRecord> copy, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  auto line = std::make_unique<ActionListingLine>();
  line->text = FormatV(format, args);
  va_end(args);
  line->action = std::move(copy);
  return line;
}

std::unique_ptr<ActionListingLine> ListAction(const ActionRecord& action) {
  const uint8_t code = action.ActionCode();
  if (const char* name = SimpleActionName(code)) {
    WideString text = L"\t";
    for (const char* c = name; *c; ++c) text += static_cast<wchar_t>(*c);
    return Line(action, std::move(text));
  }
  // Lines without fields depend on the code alone.
  switch (code) {
    case 0x8D: return Line(action, L"\tWaitForFrame2");
    case 0x94: return Line(action, L"\tWith");
    case 0x99: return Line(action, L"\tBranch");
    case 0x9A: return Line(action, L"\tGetURL2");
    case 0x9D: return Line(action, L"\tBranchIfTrue");
    case 0x9F: return Line(action, L"\tGotoFrame2");
    default: break;
  }
  // The others need the fields of their class: an action read from a movie and
  // kept as bytes is not that class (DefineFunction is always kept as bytes).
  switch (action.Kind()) {
    case ActionKind::GotoFrame: {
      const auto& a = static_cast<const ActionGotoFrame&>(action);
      return FormatListingLine(a.Clone(), L"\tGotoFrame %d", static_cast<int>(a.frame));
    }
    case ActionKind::GetUrl: {
      const auto& a = static_cast<const ActionGetUrl&>(action);
      if (a.url.empty()) return FormatListingLine(a.Clone(), L"\tGetURL");
      if (a.target.empty()) return FormatListingLine(a.Clone(), L"\tGetURL \"%ls\"", a.url.c_str());
      return FormatListingLine(a.Clone(), L"\tGetURL \"%ls\" \"%ls\"", a.url.c_str(), a.target.c_str());
    }
    case ActionKind::StoreRegister: {
      const auto& a = static_cast<const ActionStoreRegister&>(action);
      return FormatListingLine(a.Clone(), L"\tStoreRegister %d", static_cast<int>(a.registerNumber));
    }
    case ActionKind::ConstantPool: {
      const auto& a = static_cast<const ActionConstantPool&>(action);
      WideString list;
      for (size_t i = 0; i < a.strings.size(); ++i) {
        if (i) list += L", ";
        list += Format(L"%d: ", static_cast<int>(i + 1));
        list += a.strings[i];
      }
      return FormatListingLine(a.Clone(), L"\tConstantPool %ls", list.c_str());
    }
    case ActionKind::WaitForFrame: {
      const auto& a = static_cast<const ActionWaitForFrame&>(action);
      return FormatListingLine(a.Clone(), L"\tWaitForFrame %d", static_cast<int>(a.frame));
    }
    case ActionKind::SetTarget: {
      const auto& a = static_cast<const ActionSetTarget&>(action);
      return FormatListingLine(a.Clone(), L"\tSetTarget \"%ls\"", a.target.c_str());
    }
    case ActionKind::GoToLabel: {
      const auto& a = static_cast<const ActionGoToLabel&>(action);
      if (a.label.empty()) return FormatListingLine(a.Clone(), L"\tGotoLabel");
      return FormatListingLine(a.Clone(), L"\tGotoLabel \"%ls\"", a.label.c_str());
    }
    case ActionKind::Push: {
      const auto& a = static_cast<const ActionPush&>(action);
      WideString list;
      for (size_t i = 0; i < a.values.size(); ++i) {
        if (i) list += L", ";
        list += PushValueText(a.values[i]);
      }
      return FormatListingLine(a.Clone(), L"\tPush %ls", list.c_str());
    }
    case ActionKind::DefineFunction: {
      const auto& a = static_cast<const ActionDefineFunction&>(action);
      return Line(action, L"\tDefineFunction " + FunctionText(a.name, a.parameters));
    }
    case ActionKind::Generic: {
      if (code != 0x9B) return nullptr;
      const auto& a = static_cast<const ActionGeneric&>(action);
      WideString name;
      std::vector<WideString> parameters;
      if (!DecodeFunction(a.Payload(), name, parameters)) return nullptr;
      return Line(action, L"\tDefineFunction " + FunctionText(name, parameters));
    }
    default: return nullptr;
  }
}
