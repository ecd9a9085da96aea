#include "platform/PreferencesStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "host/Text.h"
#include "host/XmlTree.h"
#include "platform/AtomicFile.h"
#include "platform/XmlDocument.h"
#include "platform/XmlText.h"

const wchar_t* const PreferencesStore::kApplicationDomain = L"Plenwick";

namespace {

constexpr size_t kMaxFileBytes = 16u << 20;

std::string ConfigFolder(int scope) {
  if (scope == PreferencesStore::kAnyUserScope) return "/etc/xdg/Plenwick";
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/Plenwick";
  const char* home = std::getenv("HOME");
  std::string base = home && home[0] == '/' ? home : "";
  if (base.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) base = pw->pw_dir;
  }
  if (base.empty()) return std::string();
  return base + "/.config/Plenwick";
}

bool MakeFolders(const std::string& folder) {
  for (size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ValidKey(const WideString& key) {
  if (key.empty()) return false;
  for (wchar_t c : key) {
    if (!IsXmlChar(c)) return false;
  }
  return true;
}

std::string EncodeBase64(const std::string& bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i < bytes.size()) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
    if (i + 1 < bytes.size()) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool ParseInt64(const std::wstring& text, int64_t& value) {
  std::string narrow;
  for (wchar_t c : text) {
    if (c < 0 || c >= 0x80) return false;
    narrow.push_back(static_cast<char>(c));
  }
  const char* begin = narrow.data();
  const char* end = begin + narrow.size();
  const auto r = std::from_chars(begin, end, value);
  return r.ec == std::errc() && r.ptr == end;
}

enum class ReadResult { kOk, kMissing, kUnreadable, kError };

ReadResult ReadFile(const std::string& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kError;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return ReadResult::kUnreadable;
  }
  bytes.clear();
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return ReadResult::kError;
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > kMaxFileBytes) {
      ::close(fd);
      return ReadResult::kUnreadable;
    }
    bytes.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return ReadResult::kOk;
}

}  // namespace

bool PreferencesStore::Open(const wchar_t* identifier, int scope) {
  open_ = false;
  dirty_ = false;
  readOnly_ = false;
  values_.clear();
  movedAside_.clear();
  path_.clear();
  if (scope != kAnyUserScope && scope != kCurrentUserScope) return false;
  domain_ = identifier ? WideString(identifier) : WideString(kApplicationDomain);
  if (domain_.empty() || domain_ == L"." || domain_ == L"..") return false;
  std::string name = host::text::WideToUtf8(domain_);
  for (char& c : name) {
    if (c == '/' || c == '\0') c = '_';
  }
  const std::string folder = ConfigFolder(scope);
  if (folder.empty()) return false;
  path_ = folder + "/" + name + ".xml";
  readOnly_ = scope == kAnyUserScope;
  if (!Load()) {
    lastError_ = kErrOpen;
    values_.clear();
    return false;
  }
  open_ = true;
  return true;
}

bool PreferencesStore::Load() {
  std::string bytes;
  const ReadResult read = ReadFile(path_, bytes);
  if (read == ReadResult::kMissing) return true;
  if (read == ReadResult::kError) return false;

  host::xml::Document doc;
  const host::xml::Node* root = nullptr;
  if (read == ReadResult::kOk && host::xml::Parse(bytes, doc)) {
    for (const auto& child : doc.root->children) {
      if (child->kind == host::xml::NodeKind::Element) {
        root = child.get();
        break;
      }
    }
    if (root && root->name != L"preferences") root = nullptr;
  }
  if (!root) {
    // Keep the broken file for the user under a name that says what happened, and start
    // from the defaults. When it can't be moved, never write over it.
    if (readOnly_) return true;
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    std::string aside = path_ + ".unreadable-" + stamp;
    struct stat st {};
    for (int n = 2; ::lstat(aside.c_str(), &st) == 0 && n < 1000; ++n) {
      aside = path_ + ".unreadable-" + stamp + "-" + std::to_string(n);
    }
    if (::rename(path_.c_str(), aside.c_str()) == 0) {
      movedAside_ = aside;
    } else {
      readOnly_ = true;
    }
    return true;
  }

  for (const auto& entry : root->children) {
    if (entry->kind != host::xml::NodeKind::Element) continue;
    const std::wstring* key = entry->FindAttribute(L"key");
    const std::wstring* value = entry->FindAttribute(L"value");
    if (!key || !value || !ValidKey(*key)) continue;  // entries we don't understand are skipped
    const std::wstring& type = entry->name;
    if (type == L"int") {
      int64_t n = 0;
      if (ParseInt64(*value, n)) values_[*key] = n;
    } else if (type == L"bool") {
      if (*value == L"true" || *value == L"false") values_[*key] = *value == L"true";
    } else if (type == L"string") {
      values_[*key] = WideString(*value);
    } else if (type == L"data") {
      std::string decoded;
      if (DecodeBase64(host::text::WideToUtf8(*value), decoded)) values_[*key] = std::move(decoded);
    }
  }
  return true;
}

bool PreferencesStore::Save() {
  if (readOnly_) return false;
  const std::string folder = path_.substr(0, path_.rfind('/'));
  if (!MakeFolders(folder)) return false;
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<preferences domain=\"";
  AppendXmlEscaped(out, domain_);
  out += "\">\n";
  for (const auto& [key, value] : values_) {
    std::string text;
    const char* type = "";
    if (const auto* n = std::get_if<int64_t>(&value)) {
      type = "int";
      text = std::to_string(*n);
    } else if (const auto* b = std::get_if<bool>(&value)) {
      type = "bool";
      text = *b ? "true" : "false";
    } else if (const auto* s = std::get_if<WideString>(&value)) {
      type = "string";
      text = XmlEscaped(*s);
    } else {
      type = "data";
      text = EncodeBase64(std::get<std::string>(value));
    }
    out += "  <";
    out += type;
    out += " key=\"";
    AppendXmlEscaped(out, key);
    out += "\" value=\"" + text + "\" />\n";
  }
  out += "</preferences>\n";
  AtomicFileWriter writer;
  return writer.Open(Utf8ToWide(path_)) && writer.Write(out) && writer.Commit();
}

bool PreferencesStore::Close() {
  if (!open_) return false;
  bool wrote = false;
  if (dirty_) {
    wrote = Save();
    if (!wrote) lastError_ = kErrSynchronize;
  }
  open_ = false;
  dirty_ = false;
  values_.clear();
  return wrote;
}

bool PreferencesStore::Set(const WideString& key, Value value, int keyError) {
  if (!open_ || !ValidKey(key)) {
    lastError_ = keyError;
    return false;
  }
  values_[key] = std::move(value);
  dirty_ = true;
  return true;
}

size_t PreferencesStore::GetData(const WideString& key, void* destination, size_t capacity) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return 0;
  const auto* bytes = std::get_if<std::string>(&it->second);
  if (!bytes || bytes->size() > capacity || (!destination && !bytes->empty())) return 0;
  if (!bytes->empty()) std::memcpy(destination, bytes->data(), bytes->size());
  return bytes->size();
}

bool PreferencesStore::SetData(const WideString& key, const void* bytes, size_t count) {
  if (!bytes && count) return false;
  return Set(key, std::string(static_cast<const char*>(bytes), bytes ? count : 0), kErrDataKey);
}

bool PreferencesStore::GetBool(const WideString& key, bool& value) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return false;
  const auto* b = std::get_if<bool>(&it->second);
  if (!b) return false;
  value = *b;
  return true;
}

bool PreferencesStore::GetBool(const WideString& key, uint8_t& value) const {
  bool b = false;
  if (!GetBool(key, b)) return false;
  value = b ? 1 : 0;
  return true;
}

bool PreferencesStore::SetBool(const WideString& key, bool value) { return Set(key, value, kErrBoolKey); }

bool PreferencesStore::GetLong(const WideString& key, long& value) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return false;
  const auto* n = std::get_if<int64_t>(&it->second);
  if (!n) return false;
  value = static_cast<long>(*n);
  return true;
}

bool PreferencesStore::GetInt(const WideString& key, int& value) const {
  long n = 0;
  if (!GetLong(key, n) || n < INT_MIN || n > INT_MAX) return false;
  value = static_cast<int>(n);
  return true;
}

bool PreferencesStore::SetInt(const WideString& key, int value) { return SetLong(key, value); }

bool PreferencesStore::SetLong(const WideString& key, long value) {
  return Set(key, static_cast<int64_t>(value), kErrNumberKey);
}

bool PreferencesStore::GetString(const WideString& key, WideString& value) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return false;
  const auto* s = std::get_if<WideString>(&it->second);
  if (!s) return false;
  value = *s;
  return true;
}

bool PreferencesStore::GetString(const WideString& key, wchar_t* destination, size_t capacity) const {
  if (!destination || capacity == 0) return false;
  WideString text;
  if (!GetString(key, text)) return false;
  const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  std::wmemcpy(destination, text.data(), n);
  destination[n] = L'\0';
  return true;
}

bool PreferencesStore::SetString(const WideString& key, const wchar_t* value) {
  if (!value) {
    lastError_ = kErrStringValue;
    return false;
  }
  return Set(key, WideString(value), kErrStringKey);
}

bool PreferencesStore::RemoveKey(const WideString& key) {
  if (!open_) {
    lastError_ = kErrRemoveKey;
    return false;
  }
  if (values_.erase(key) > 0) dirty_ = true;
  return true;
}

bool PreferencesStore::HasKey(const WideString& key) const { return values_.count(key) > 0; }

bool PreferencesStore::SetStringList(const WideString& key, const std::vector<WideString>& values) {
  if (!open_ || !ValidKey(key)) {
    lastError_ = kErrStringKey;
    return false;
  }
  const WideString prefix = key + L"_";
  for (size_t i = 0; i < values.size(); ++i) {
    if (!SetString(prefix + WideString(std::to_wstring(i + 1)), values[i].c_str())) return false;
  }
  // Remove every numbered key beyond the list, whatever length an earlier list had.
  for (auto it = values_.lower_bound(prefix);
       it != values_.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
    const std::wstring suffix = it->first.substr(prefix.size());
    size_t index = 0;
    bool numeric = !suffix.empty() && suffix.size() < 10 && suffix[0] != L'0';
    for (wchar_t c : suffix) {
      numeric = numeric && c >= L'0' && c <= L'9';
      index = index * 10 + static_cast<size_t>(c - L'0');
    }
    if (numeric && index > values.size()) {
      it = values_.erase(it);
      dirty_ = true;
    } else {
      ++it;
    }
  }
  return true;
}

std::vector<WideString> PreferencesStore::GetStringList(const WideString& key, size_t maximum) const {
  std::vector<WideString> out;
  for (size_t i = 1; i <= maximum; ++i) {
    WideString value;
    if (!GetString(key + L"_" + WideString(std::to_wstring(i)), value)) break;
    out.push_back(std::move(value));
  }
  return out;
}
