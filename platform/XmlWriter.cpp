#include "platform/XmlWriter.h"

#include <sys/stat.h>

#include <cerrno>

#include "host/Text.h"
#include "platform/FileTypes.h"
#include "platform/Paths.h"
#include "platform/TextConversions.h"
#include "platform/XmlText.h"

XmlWriter::~XmlWriter() { Abort(); }

bool XmlWriter::Open(const WideString& path, const XmlWriterOptions& options, bool replace) {
  if (IsOpen()) Abort();
  path_ = path;
  options_ = options;
  failed_ = false;
  error_ = 0;
  struct stat st {};
  if (!replace && ::lstat(WideToUtf8(path).c_str(), &st) == 0) {
    failed_ = true;
    error_ = EEXIST;
    return false;
  }
  if (!out_.Open(path)) {
    failed_ = true;
    error_ = out_.LastError();
    return false;
  }
  if (options_.writeHeader) {
    const std::string encoding = host::text::WideToUtf8(GetXmlEncodingName());
    if (options_.declarationForm) {
      Put("<?xml version=\"1.0\" encoding=\"" + encoding + "\" ?>\n");
    } else {
      Put("<xml version=\"1.0\" encoding=\"" + encoding + "\">\n");
    }
  }
  if (failed_) {
    Abort();
    return false;
  }
  return true;
}

void XmlWriter::Put(const std::string& bytes) {
  if (!IsOpen() || failed_) return;
  if (!out_.Write(bytes.data(), bytes.size())) {
    failed_ = true;
    error_ = out_.LastError();
  }
}

XmlWriter& XmlWriter::WriteRaw(std::wstring_view text) {
  Put(host::text::WideToUtf8(text));
  return *this;
}

XmlWriter& XmlWriter::WriteEscaped(std::wstring_view text) {
  Put(XmlEscaped(text));
  return *this;
}

XmlWriter& XmlWriter::WritePath(const WideString& path) {
  return WriteEscaped(options_.relativePaths ? MakeRelativePath(path_, path) : MakeAbsolutePath(path, kPosixPathStyle));
}

XmlWriter& XmlWriter::WriteBool(bool value) {
  Put(value ? "true" : "false");
  return *this;
}

XmlWriter& XmlWriter::WriteLong(int32_t value) {
  Put(XmlFormatLong(value));
  return *this;
}

XmlWriter& XmlWriter::WriteULong(uint32_t value) {
  Put(XmlFormatULong(value));
  return *this;
}

XmlWriter& XmlWriter::WriteUShort(uint16_t value) {
  Put(XmlFormatUShort(value));
  return *this;
}

XmlWriter& XmlWriter::WriteDouble(double value) {
  Put(XmlFormatDouble(value));
  return *this;
}

XmlWriter& XmlWriter::WriteFloat(float value) { return WriteDouble(static_cast<double>(value)); }

bool XmlWriter::Close() {
  if (!IsOpen()) return !failed_;
  const bool elementForm = options_.writeHeader && !options_.declarationForm;
  Put(elementForm ? "\n</xml>\n" : "\n");
  if (failed_) {
    out_.Abort();
    return false;
  }
  if (options_.fileType != kUnknownFileType || options_.creator != kUnknownFileType) {
    // Where the file system keeps no type and creator the document still works.
    SetFileTypeCreator(out_.TempPath(), FileTypeCreator(options_.creator, options_.fileType));
  }
  if (!out_.Commit()) {
    failed_ = true;
    error_ = out_.LastError();
    return false;
  }
  return true;
}

void XmlWriter::Abort() { out_.Abort(); }
