// The text-file writer: creates a typed text file and writes wide text into it in the text
// file encoding (UTF-8). Base of the HTML page writer.
//
// The file is written to a temporary file beside the destination and put in place by
// Close, so an old file of that name survives until the new one is complete, and survives
// unchanged when writing fails.
#pragma once

#include "platform/FileTypes.h"
#include "platform/ForkStream.h"
#include "platform/WideString.h"

class TextFileWriter {
 public:
  TextFileWriter() = default;
  virtual ~TextFileWriter();  // an unclosed file is dropped (the old file stays)
  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;

  // Starts the file with the record's type and creator (null: creator 'ttex', type 'TEXT').
  // Fails for a path written as a folder, a folder at the path, or an existing file when
  // `replace` is not set.
  [[nodiscard]] virtual bool Create(const WideString& path, const FileTypeCreator* record, bool replace);
  // Puts the file in place. False when nothing was open or anything failed to be written
  // (the old file is then untouched).
  [[nodiscard]] virtual bool Close();

  TextFileWriter& WriteText(const WideString& text);
  TextFileWriter& WriteNumber(long number);
  bool IsOpen() const { return stream_.IsOpen(); }
  // False once a write has failed.
  bool Good() const { return !stream_.fail() && stream_.Buffer().LastError() == 0; }

 protected:
  TextFileOutputStream& Stream() { return stream_; }

 private:
  TextFileOutputStream stream_;
};
