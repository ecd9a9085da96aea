// Writing XML documents.
//
// A thin, streaming writer: the caller writes the markup itself (element heads, attribute
// names with '=' and quotation marks, closing tags, line ends) with WriteRaw, and the values
// with the typed writers, which fix the escaping and the number formats (platform/XmlText.h).
// Whatever WriteEscaped writes reads back through XmlDocument as the same text.
//
//   XmlWriter w;
//   if (!w.Open(path, XmlWriterOptions(), true)) fail();
//   w.WriteRaw(L"<a x=\"").WriteLong(1).WriteRaw(L"\" />\n");
//   if (!w.Close()) fail();   // nothing on disk changed
//
// The document goes to a temporary file beside the destination and replaces it only when
// Close has written all of it without error; until then (and after any failure) an old file
// at the path stays as it was. A writer destroyed before Close (an exception on the way, or
// a caller that gave up) never puts its document in place: it drops the temporary file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/AtomicFile.h"
#include "platform/WideString.h"

struct XmlWriterOptions {
  uint32_t fileType = 0x3F3F3F3F;  // '????'; the document's file type and creator
  uint32_t creator = 0x3F3F3F3F;   // '????'; (kept where the file system allows)
  float version = 1.0f;            // not used by the writer
  bool relativePaths = false;      // WritePath writes paths relative to the document
  bool declarationForm = false;    // header as <?xml ... ?> instead of the <xml ...> element
  bool writeHeader = true;
};

class XmlWriter {
 public:
  XmlWriter() = default;
  // Drops a document that was not closed (see Abort): only Close puts a document in place.
  ~XmlWriter();
  XmlWriter(const XmlWriter&) = delete;
  XmlWriter& operator=(const XmlWriter&) = delete;

  // Starts a document at the path and writes the header: with the default options the
  // element form <xml version="1.0" encoding="UTF-8"> and a line feed, in the declaration
  // form <?xml version="1.0" encoding="UTF-8" ?> and a line feed. False when the file
  // can't be created, or when it exists and replace is false.
  [[nodiscard]] bool Open(const WideString& path, const XmlWriterOptions& options = XmlWriterOptions(),
                          bool replace = true);

  // The text in UTF-8 as it stands (markup).
  XmlWriter& WriteRaw(std::wstring_view text);
  // The text escaped (see AppendXmlEscaped).
  XmlWriter& WriteEscaped(std::wstring_view text);
  // The path escaped: relative to the document ("./img/a.png") with the relative-paths
  // option, absolute otherwise.
  XmlWriter& WritePath(const WideString& path);
  XmlWriter& WriteBool(bool value);
  XmlWriter& WriteLong(int32_t value);
  XmlWriter& WriteULong(uint32_t value);
  XmlWriter& WriteUShort(uint16_t value);
  XmlWriter& WriteDouble(double value);
  XmlWriter& WriteFloat(float value);

  // Writes the trailer ("\n</xml>\n" after the element-form header, "\n" otherwise) and puts
  // the document in place. False when anything since Open failed to be written; the old file
  // is then untouched. A writer that is not open answers the result of its last Close (true
  // when it never failed).
  [[nodiscard]] bool Close();
  // Drops the document without touching the destination.
  void Abort();

  bool IsOpen() const { return out_.IsOpen(); }
  // errno of the first failure, 0 when none.
  int LastError() const { return error_; }
  const WideString& GetPath() const { return path_; }

 private:
  void Put(const std::string& bytes);

  AtomicFileWriter out_;
  WideString path_;
  XmlWriterOptions options_;
  bool failed_ = false;
  int error_ = 0;
};
