#include "publish/PlayerCommandRecord.h"

#include <algorithm>
#include <string_view>

namespace {

struct CommandText {
  const wchar_t* command;
  const wchar_t* argument;
};

constexpr CommandText kCommands[] = {
    {L"", L""},
    {L"fullscreen", L"true"},
    {L"fullscreen", L"false"},
    {L"allowscale", L"true"},
    {L"allowscale", L"false"},
    {L"showmenu", L"true"},
    {L"showmenu", L"false"},
    {L"trapallkeys", L"true"},
    {L"trapallkeys", L"false"},
    {L"exec", L""},
    {L"quit", L""},
};
constexpr int kCommandCount = sizeof kCommands / sizeof kCommands[0];

std::string_view Bytes(const PascalString256& text) {
  return {reinterpret_cast<const char*>(text.data()) + 1, text[0]};
}

}  // namespace

void CopyToPascalString(PascalString256& destination, const WideString& text) {
  const size_t n = std::min<size_t>(text.size(), 255);
  destination[0] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) destination[i + 1] = static_cast<uint8_t>(static_cast<uint32_t>(text[i]) & 0xFF);
}

size_t StreamRecord::Write(ByteStreamWriter& stream) const {
  const size_t before = stream.GetByteCount();
  stream.WriteValue(GetCode());
  return stream.GetByteCount() - before;
}

FsCommandRecord::FsCommandRecord(int kind) {
  const CommandText& text = kCommands[kind >= 0 && kind < kCommandCount ? kind : kNone];
  CopyToPascalString(command_, text.command);
  CopyToPascalString(argument_, text.argument);
}

size_t FsCommandRecord::Write(ByteStreamWriter& stream) const {
  const size_t before = stream.GetByteCount();
  stream.WriteValue(GetCode());
  stream.WriteValue(0);
  stream.WritePascalString(Bytes(command_));
  stream.WriteValue(flagA_);
  stream.WritePascalString(Bytes(argument_));
  stream.WriteValue(flagB_);
  return stream.GetByteCount() - before;
}
