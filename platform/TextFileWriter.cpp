#include "platform/TextFileWriter.h"

#include <charconv>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/TextConversions.h"

TextFileWriter::~TextFileWriter() = default;  // the stream drops an uncommitted file

bool TextFileWriter::Create(const WideString& path, const FileTypeCreator* record, bool replace) {
  if (stream_.IsOpen() || path.empty() || path.back() == L'/' || path.back() == L'\\') return false;
  const WideString absolute = MakeAbsolutePath(path, kPosixPathStyle);
  if (PathExists(absolute) && (PathIsFolder(absolute) || !replace)) return false;
  stream_.clear();
  if (!stream_.OpenReplacing(absolute, GetTextFileEncoding())) return false;
  const FileTypeCreator text(MakeFourCC("ttex"), MakeFourCC("TEXT"));
  // A file system that keeps no types still gets the text.
  SetFileTypeCreator(stream_.Buffer().PendingPath(), record != nullptr ? *record : text);
  return true;
}

bool TextFileWriter::Close() {
  if (!stream_.IsOpen()) return false;
  return stream_.Close();
}

TextFileWriter& TextFileWriter::WriteText(const WideString& text) {
  WriteWideTextToStream(stream_, text);
  return *this;
}

TextFileWriter& TextFileWriter::WriteNumber(long number) {
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof digits, number);
  stream_.write(digits, result.ptr - digits);
  return *this;
}
