#include "platform/FileTypeTable.h"

namespace {

struct FileTypeRow {
  OSType type;
  const wchar_t* extension;   // nullptr: none
  const wchar_t* extensions;  // nullptr: the single extension
  const wchar_t* description;
};

constexpr FileTypeRow kRows[] = {
    {MakeFourCC("8BPS"), L"psd", nullptr, L"Photoshop"},
    {MakeFourCC("AIFC"), L"aiff", L"aiff;aif", L"AIFF"},
    {MakeFourCC("APPL"), L"prj", nullptr, L"Flash Projector"},
    {MakeFourCC("ASF_"), L"wmv", nullptr, L"Windows Media Video"},
    {MakeFourCC("BMPf"), L"bmp", nullptr, L"Bitmap"},
    {MakeFourCC("FLC "), nullptr, nullptr, L"FLC"},
    {MakeFourCC("FLV2"), L"flv", nullptr, L"FLV"},
    {MakeFourCC("GIFf"), L"gif", nullptr, L"GIF"},
    {MakeFourCC("ICNS"), L"icns", nullptr, L"Icon"},
    {MakeFourCC("ICO "), L"ico", nullptr, L"Windows Icon"},
    {MakeFourCC("JPEG"), L"jpg", L"jpg;jpeg", L"JPEG"},
    {MakeFourCC("MPG "), L"mpg", L"mpg;mpeg;mpe", L"MPEG"},
    {MakeFourCC("Midi"), nullptr, nullptr, L"Midi"},
    {MakeFourCC("MooV"), L"mov", nullptr, L"MOV"},
    {MakeFourCC("Mp3 "), L"mp3", nullptr, L"MP3"},
    {MakeFourCC("PDF "), L"pdf", nullptr, L"PDF"},
    {MakeFourCC("PICT"), L"pct", L"pct;pict", L"PICT"},
    {MakeFourCC("PNGf"), L"png", nullptr, L"PNG"},
    {MakeFourCC("SPA "), L"fla", nullptr, L"Flash Movie"},
    {MakeFourCC("SWFL"), L"swf", nullptr, L"Flash Animation"},
    {MakeFourCC("TEXT"), L"txt", nullptr, L"Text"},
    {MakeFourCC("TIFF"), L"tiff", L"tif;tiff", L"TIFF"},
    {MakeFourCC("TPIC"), L"tga", L"tga;targa", L"Targa"},
    {MakeFourCC("VfW "), L"avi", nullptr, L"AVI"},
    {MakeFourCC("WAVE"), L"wav", nullptr, L"Wave"},
    {MakeFourCC("WDBN"), L"doc", nullptr, L"Microsoft Word Document"},
    {MakeFourCC("bina"), L"bin", nullptr, L"Binary"},
    {MakeFourCC("dvc!"), nullptr, nullptr, L"DVC"},
    {MakeFourCC("mpg4"), L"mp4", nullptr, L"MPEG-4"},
    {MakeFourCC("osas"), L"script", nullptr, L"Apple Script"},
    {MakeFourCC("pPlw"), L"plw", nullptr, L"Plenwick Project"},
    {MakeFourCC("svg "), L"svg", nullptr, L"Scalable Vector Graphics"},
    {MakeFourCC("svgz"), L"svgz", nullptr, L"Compressed Scalable Vector Graphics"},
};

const FileTypeRow* Find(OSType type) {
  for (const FileTypeRow& row : kRows) {
    if (row.type == type) return &row;
  }
  return nullptr;
}

bool Give(const wchar_t* text, WideString& out) {
  out = text;
  return text != nullptr;
}

}  // namespace

bool GetFileTypeExtension(OSType type, WideString& out) {
  const FileTypeRow* row = Find(type);
  return Give(row != nullptr ? row->extension : nullptr, out);
}

bool GetFileTypeExtensionList(OSType type, WideString& out) {
  const FileTypeRow* row = Find(type);
  if (row == nullptr) return Give(nullptr, out);
  return Give(row->extensions != nullptr ? row->extensions : row->extension, out);
}

bool GetFileTypeDescription(OSType type, WideString& out) {
  const FileTypeRow* row = Find(type);
  return Give(row != nullptr ? row->description : nullptr, out);
}
