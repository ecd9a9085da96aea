#include "publish/ScreenSaverSettings.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/Bundle.h"
#include "platform/AtomicFile.h"
#include "platform/Checksum.h"
#include "platform/Paths.h"
#include "platform/XmlWriter.h"
#include "publish/InstallerArchive.h"
#include "swf/SwfCompression.h"

namespace fs = std::filesystem;

WideString MakeSaverClassSuffix(const WideString& name) {
  WideString suffix;
  const size_t n = std::min<size_t>(name.size(), 16);
  for (size_t i = 0; i < n; ++i) {
    const wchar_t c = name[i];
    const bool unsafe =
        c == L'"' || c == L'\'' || c == L'&' || c == L'<' || c == L'>' || c == L'\n' || c == L'\r' || c >= 0x80;
    suffix.push_back(unsafe ? L'X' : c);
  }
  suffix.append(16 - n, L'O');
  uint32_t crc = 0;
  Crc32WideString(name.c_str(), crc);
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(crc));
  for (const char* p = hex; *p != '\0'; ++p) suffix.push_back(static_cast<wchar_t>(*p));
  return suffix;
}

size_t PatchSaverModule(std::string& bytes, const WideString& suffix) {
  if (suffix.size() != kSaverClassSuffixLength) return 0;
  const std::string placeholder(kSaverClassPlaceholder, kSaverClassSuffixLength);
  size_t patched = 0;
  for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    if (bytes.compare(at, 4, "XXXX") != 0) continue;
    size_t start = at;
    for (int back = 0; back < 100 && start > 0 && bytes[start - 1] == 'X'; ++back) --start;
    if (start + kSaverClassSuffixLength > bytes.size() ||
        bytes.compare(start, kSaverClassSuffixLength, placeholder) != 0) {
      continue;
    }
    for (size_t i = 0; i < kSaverClassSuffixLength; ++i) bytes[start + i] = static_cast<char>(suffix[i] & 0x7F);
    ++patched;
  }
  return patched;
}

std::array<uint8_t, kSaverConfigSize> SaverConfig::Bytes() const {
  std::array<uint8_t, kSaverConfigSize> out{};
  const auto put = [&out](size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
  };
  put(0, static_cast<uint32_t>(quality));
  put(92, bgcolor);
  out[132] = hasBgcolor ? 1 : 0;
  out[133] = exitOnMouseMove ? 1 : 0;
  out[134] = exitOnMouseClick ? 1 : 0;
  out[135] = exitOnKeyPress ? 1 : 0;
  out[136] = hideMouseCursor ? 1 : 0;
  return out;
}

bool ParseSaverConfig(const std::string& bytes, SaverConfig& out) {
  if (bytes.size() != kSaverConfigSize) return false;
  const auto byte = [&bytes](size_t at) { return static_cast<uint8_t>(bytes[at]); };
  const auto word = [&byte](size_t at) {
    return static_cast<uint32_t>(byte(at)) | static_cast<uint32_t>(byte(at + 1)) << 8 |
           static_cast<uint32_t>(byte(at + 2)) << 16 | static_cast<uint32_t>(byte(at + 3)) << 24;
  };
  SaverConfig config;
  const uint32_t quality = word(0);
  config.quality =
      quality <= static_cast<uint32_t>(SaverQuality::kBest) ? static_cast<SaverQuality>(quality) : SaverQuality::kHigh;
  config.bgcolor = word(92);
  config.hasBgcolor = byte(132) != 0;
  config.exitOnMouseMove = byte(133) != 0;
  config.exitOnMouseClick = byte(134) != 0;
  config.exitOnKeyPress = byte(135) != 0;
  config.hideMouseCursor = byte(136) != 0;
  out = config;
  return true;
}

bool ReadSaverResources(const std::string& folder, std::string& movie, SaverConfig& config, std::string& error) {
  movie.clear();
  const std::string moviePath = folder + "/ssaver.swf";
  if (!ReadArchiveSourceFile(Utf8ToWide(moviePath), movie)) {
    movie.clear();
    error = "cannot read the movie " + moviePath;
    return false;
  }
  if (movie.size() < 8 ||
      (movie.compare(0, 3, "FWS") != 0 && movie.compare(0, 3, "CWS") != 0 && movie.compare(0, 3, "ZWS") != 0)) {
    movie.clear();
    error = moviePath + " is not a movie";
    return false;
  }
  const std::string configPath = folder + "/ssc0.dat";
  struct stat st {};
  if (::stat(configPath.c_str(), &st) != 0 && errno == ENOENT) {
    config = SaverConfig();
    return true;
  }
  std::string bytes;
  if (!S_ISREG(st.st_mode) || st.st_size != static_cast<off_t>(kSaverConfigSize) ||
      !ReadArchiveSourceFile(Utf8ToWide(configPath), bytes) || !ParseSaverConfig(bytes, config)) {
    movie.clear();
    error = "the saver's settings " + configPath + " are damaged";
    return false;
  }
  return true;
}

bool WriteSaverConfigFile(const SaverConfig& config, const WideString& folder) {
  WideString path = folder;
  EnsureTrailingSlash(path);
  path += L"ssc0.dat";
  const auto bytes = config.Bytes();
  AtomicFileWriter out;
  return out.Open(path) && out.Write(bytes.data(), bytes.size()) && out.Commit();
}

std::string SaverInfoPlist(const WideString& suffix) {
  const std::string s = WideToUtf8(suffix);
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n"
      "<dict>\n";
  const std::pair<const char*, std::string> entries[] = {
      {"CFBundleDevelopmentRegion", "English"},
      {"CFBundleExecutable", "fssx"},
      {"CFBundleIdentifier", "com.kestrune.screensaver." + s},
      {"CFBundleInfoDictionaryVersion", "6.0"},
      {"CFBundlePackageType", "BNDL"},
      {"CFBundleSignature", "FsXX"},
      {"CFBundleVersion", "1.0"},
      {"NSPrincipalClass", "QXSS" + s},
  };
  for (const auto& [key, value] : entries) {
    out += "\t<key>" + std::string(key) + "</key>\n\t<string>" + value + "</string>\n";
  }
  out += "</dict>\n</plist>\n";
  return out;
}

ScreenSaverSettings::ScreenSaverSettings() {
  if (!host::bundle::BundlePath().empty()) {
    saverTemplate_ = Utf8ToWide(host::bundle::ResourcePath("ss_tmp"));
    installerTemplate_ = Utf8ToWide(host::bundle::ResourcePath("ssin_tmp"));
  }
}

bool ScreenSaverSettings::SetMovie(const WideString& path) {
  if (!HasSwfSignature(path)) return false;
  if (movie_.empty() || PathsDiffer(path, movie_)) {
    movie_ = path;
    ++changeCount_;
  }
  return true;
}

void ScreenSaverSettings::SetName(const WideString& name) {
  if (name != name_) {
    name_ = name;
    ++changeCount_;
  }
}

void ScreenSaverSettings::SetBackgroundColor(uint32_t color) {
  if (color != config.bgcolor) {
    config.bgcolor = color;
    ++changeCount_;
  }
}

bool ScreenSaverSettings::Fail(const std::string& why) {
  error_ = why;
  return false;
}

void ScreenSaverSettings::Progress(int textNumber) const {
  if (progress_) progress_(textNumber);
}

namespace {

// Copies a file or a folder's tree into the folder under its own name (or `as`); links are
// copied as links. A destination of that name is replaced.
bool CopyInto(const std::string& source, const std::string& folder, std::string& why, const std::string& as = "") {
  std::error_code ec;
  const fs::path from(source);
  const fs::path to = fs::path(folder) / (as.empty() ? from.filename() : fs::path(as));
  fs::remove_all(to, ec);
  ec.clear();
  const auto status = fs::symlink_status(from, ec);
  if (ec || !fs::exists(status)) {
    why = "cannot find " + source;
    return false;
  }
  if (fs::is_directory(status)) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  } else if (fs::is_symlink(status)) {
    fs::copy_symlink(from, to, ec);
  } else {
    fs::copy_file(from, to, ec);
  }
  if (ec) why = "cannot copy " + source + ": " + ec.message();
  return !ec;
}

}  // namespace

bool ScreenSaverSettings::WriteBundle(const std::string& bundle) {
  std::string why;
  const std::string contents = bundle + "/Contents";
  const std::string macos = contents + "/MacOS";
  const std::string resources = contents + "/Resources";
  const std::string templ = WideToUtf8(saverTemplate_);
  if (templ.empty()) return Fail("no saver template folder is set");
  for (const std::string& folder : {contents, macos, resources}) {
    if (::mkdir(folder.c_str(), 0755) != 0) return Fail("cannot make " + folder + ": " + std::strerror(errno));
  }
  {
    AtomicFileWriter plist;
    if (!plist.Open(Utf8ToWide(contents + "/Info.plist")) || !plist.Write(SaverInfoPlist(classSuffix_)) ||
        !plist.Commit()) {
      return Fail("cannot write Info.plist");
    }
  }
  // The module, patched.
  std::string module;
  if (!ReadArchiveSourceFile(Utf8ToWide(templ + "/fssx"), module))
    return Fail("cannot read the module " + templ + "/fssx");
  if (PatchSaverModule(module, classSuffix_) == 0) return Fail("the module holds no class-name placeholder");
  {
    AtomicFileWriter out;
    if (!out.Open(Utf8ToWide(macos + "/fssx")) || !out.Write(module) || !out.Commit()) {
      return Fail("cannot write the module");
    }
    ::chmod((macos + "/fssx").c_str(), 0755);
  }
  // Resources.
  if (!CopyInto(templ + "/English.lproj", resources, why)) return Fail(why);
  if (!CopyInto(templ + (universalBinary ? "/Flash Player.plugin" : "/fprx"), resources, why)) return Fail(why);
  if (!CopyInto(WideToUtf8(movie_), resources, why, "ssaver.swf")) return Fail(why);
  const WideString stored = Utf8ToWide(resources + "/ssaver.swf");
  if (IsCompressedSwfFile(stored) && !DecompressSwfFileInPlace(stored, false)) {
    return Fail("cannot store the movie uncompressed");
  }
  for (const WideString& extra : moreFiles) {
    if (!CopyInto(WideToUtf8(extra), resources, why)) return Fail(why);
  }
  if (!WriteSaverConfigFile(config, Utf8ToWide(resources))) return Fail("cannot write ssc0.dat");
  return true;
}

bool ScreenSaverSettings::BuildSaver(const WideString& path, const SaverBuildOptions& options) {
  error_.clear();
  progress_ = options.progress;
  Progress(kSaverProgressCreatingSaver);
  classSuffix_ = MakeSaverClassSuffix(name_);
  std::string output = WideToUtf8(path);
  while (output.size() > 1 && output.back() == '/') output.pop_back();
  struct stat st {};
  const bool exists = ::lstat(output.c_str(), &st) == 0;
  if (exists && !options.overwrite) return Fail(output + " exists");
  if (movie_.empty()) return Fail("no movie is set");

  // Built beside the output, then put in its place.
  const fs::path parent = fs::path(output).parent_path();
  std::string temp = (parent / ".saver-build-XXXXXX").string();
  if (::mkdtemp(temp.data()) == nullptr) return Fail("cannot make a folder beside " + output);
  ::chmod(temp.c_str(), 0755);
  std::error_code ec;
  if (!WriteBundle(temp)) {
    fs::remove_all(temp, ec);
    return false;
  }
  std::string old;
  if (exists) {
    old = (parent / ".saver-old-XXXXXX").string();
    if (::mkdtemp(old.data()) == nullptr || ::rename(output.c_str(), (old + "/saver").c_str()) != 0) {
      fs::remove_all(temp, ec);
      if (!old.empty()) ::rmdir(old.c_str());
      return Fail("cannot move the old " + output + " aside");
    }
  }
  if (::rename(temp.c_str(), output.c_str()) != 0) {
    const int err = errno;
    if (exists) ::rename((old + "/saver").c_str(), output.c_str());
    fs::remove_all(temp, ec);
    if (exists) fs::remove_all(old, ec);
    return Fail("cannot put the saver in place: " + std::string(std::strerror(err)));
  }
  if (exists) fs::remove_all(old, ec);
  Progress(kSaverProgressSaverCompleted);
  return true;
}

const wchar_t* SaverQualityName(SaverQuality quality) {
  static constexpr const wchar_t* kNames[] = {L"low", L"auto_low", L"auto_high", L"medium", L"high", L"best"};
  const auto index = static_cast<uint32_t>(quality);
  return index < 6 ? kNames[index] : L"";
}

namespace {

void Attribute(XmlWriter& w, const wchar_t* name, const WideString& value) {
  w.WriteRaw(L" ").WriteRaw(name).WriteRaw(L"=\"").WriteEscaped(value).WriteRaw(L"\"");
}

void Attribute(XmlWriter& w, const wchar_t* name, bool value) {
  w.WriteRaw(L" ").WriteRaw(name).WriteRaw(L"=\"").WriteBool(value).WriteRaw(L"\"");
}

WideString Absolute(const WideString& path) { return path.empty() ? path : MakeAbsolutePath(path); }

void ConfigAttributes(XmlWriter& w, const SaverConfig& config) {
  Attribute(w, L"flash_quality", WideString(SaverQualityName(config.quality)));
  Attribute(w, L"has_bgcolor", config.hasBgcolor);
  w.WriteRaw(L" bgcolor=\"").WriteULong(config.bgcolor).WriteRaw(L"\"");
  Attribute(w, L"exit_on_mouse_move", config.exitOnMouseMove);
  Attribute(w, L"exit_on_mouse_click", config.exitOnMouseClick);
  Attribute(w, L"exit_on_key_press", config.exitOnKeyPress);
  Attribute(w, L"hide_mouse_cursor", config.hideMouseCursor);
}

}  // namespace

void ScreenSaverSettings::WriteXml(XmlWriter& w) const {
  w.WriteRaw(L"<screen_saver");
  Attribute(w, L"swf", Absolute(movie_));
  Attribute(w, L"name", name_);
  Attribute(w, L"installer_prefix", installerPrefix);
  Attribute(w, L"installer_suffix", installerSuffix);
  Attribute(w, L"installer_custom_pic", installerCustomPicture);
  Attribute(w, L"installer_custom_pic_src", Absolute(installerCustomPictureSource));
  Attribute(w, L"installer_intro", installerIntro);
  Attribute(w, L"installer_intro_src", Absolute(installerIntroSource));
  Attribute(w, L"installer_readme", installerReadMe);
  Attribute(w, L"installer_readme_src", Absolute(installerReadMeSource));
  Attribute(w, L"installer_license", installerLicense);
  Attribute(w, L"installer_license_src", Absolute(installerLicenseSource));
  ConfigAttributes(w, config);
  Attribute(w, L"universal_binary", universalBinary);
  w.WriteRaw(L">\n<more_files>\n");
  for (const WideString& file : moreFiles) w.WriteRaw(L"<path src=\"").WritePath(file).WriteRaw(L"\" />\n");
  w.WriteRaw(L"</more_files>\n</screen_saver>\n");
}

bool ScreenSaverSettings::SaveXml(const WideString& path) const {
  XmlWriter w;
  if (!w.Open(path, XmlWriterOptions(), true)) return false;
  w.WriteRaw(L"<screen_saver");
  Attribute(w, L"swf", GetFileName(movie_));
  Attribute(w, L"name", name_);
  Attribute(w, L"installer_prefix", installerPrefix);
  Attribute(w, L"installer_suffix", installerSuffix);
  ConfigAttributes(w, config);
  w.WriteRaw(L">\n<more_files>\n");
  for (const WideString& file : moreFiles) {
    w.WriteRaw(L"<path src=\"").WriteEscaped(GetFileName(file)).WriteRaw(L"\" />\n");
  }
  w.WriteRaw(L"</more_files>\n</screen_saver>\n");
  return w.Close();
}
