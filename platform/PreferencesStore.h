// The user's preferences: one domain (the application's is "Plenwick") of typed values
// (integers, booleans, texts, byte blocks) under wide-string keys.
//
// Each domain is one readable XML file, "<config>/Plenwick/<domain>.xml", where <config> is
// $XDG_CONFIG_HOME or ~/.config. Open reads it; Close writes it back, when something was
// set, through a temporary file and a rename. A file that can't be parsed is moved aside as
// "<domain>.xml.unreadable-<date>-<time>" and the domain starts empty (the defaults); if it
// can't be moved aside, the store keeps it and refuses to write over it.
//
//   PreferencesStore prefs;
//   if (prefs.Open(L"Plenwick", 1)) {
//     int x = 0;
//     if (prefs.GetInt(L"main_window_x", x)) ...
//     prefs.SetInt(L"main_window_x", 40);
//     prefs.Close();
//   }
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "platform/WideString.h"

class PreferencesStore {
 public:
  // The scopes Open accepts.
  enum Scope : int { kAnyUserScope = 0, kCurrentUserScope = 1 };
  // The error codes of LastError().
  enum Error : int {
    kErrSynchronize = 603,
    kErrStringKey = 604,
    kErrStringValue = 605,
    kErrNumberKey = 608,
    kErrNumberValue = 609,
    kErrBoolKey = 610,
    kErrDataKey = 611,
    kErrOpen = 612,  // Open: the domain's file exists but can't be read
    kErrRemoveKey = 613,
  };
  // The application's own domain (what a null identifier means).
  static const wchar_t* const kApplicationDomain;

  PreferencesStore() = default;
  ~PreferencesStore() = default;
  PreferencesStore(const PreferencesStore&) = delete;
  PreferencesStore& operator=(const PreferencesStore&) = delete;

  // Opens a domain (null: the application's) in scope 1 (the current user's file) or 0 (all
  // users: the read-only file under /etc/xdg; writing it back fails). Reads the file at once.
  // False for another scope, an unusable identifier, or a file that exists but can't be
  // read. Opening an open store closes it first (without writing).
  [[nodiscard]] bool Open(const wchar_t* identifier, int scope);
  // Writes the domain when something was set since Open and closes the store. True only when
  // it wrote the file successfully (error 603 when that failed); false, writing nothing,
  // when nothing was set. The store is closed afterwards in every case.
  [[nodiscard]] bool Close();
  bool IsOpen() const { return open_; }

  // Copies a byte block when it fits the capacity; returns its size, 0 when the key is
  // missing, holds another type or the block is larger (nothing copied then).
  size_t GetData(const WideString& key, void* destination, size_t capacity) const;
  bool SetData(const WideString& key, const void* bytes, size_t count);
  // The boolean into the byte (1 or 0); false when missing (the byte unchanged).
  bool GetBool(const WideString& key, uint8_t& value) const;
  bool GetBool(const WideString& key, bool& value) const;
  bool SetBool(const WideString& key, bool value);
  // The number when it fits an int; false when missing or not representable (unchanged).
  bool GetInt(const WideString& key, int& value) const;
  bool GetLong(const WideString& key, long& value) const;
  bool SetInt(const WideString& key, int value);
  bool SetLong(const WideString& key, long value);
  // The text into a destination of `capacity` characters, the terminator included: at most
  // capacity - 1 characters are copied. False when the key is missing or holds another
  // type, or the destination is null or the capacity 0 (the destination unchanged).
  bool GetString(const WideString& key, wchar_t* destination, size_t capacity) const;
  bool GetString(const WideString& key, WideString& value) const;
  bool SetString(const WideString& key, const wchar_t* value);
  // Removes a key; true also when it was not there.
  bool RemoveKey(const WideString& key);
  bool HasKey(const WideString& key) const;

  // A list of texts stored under "<key>_1" (the first) to "<key>_<n>": writes every entry
  // and removes the keys of earlier, longer lists beyond the last one, so that nothing stale
  // reads back. The list reader stops at the first missing key and reads at most `maximum`.
  bool SetStringList(const WideString& key, const std::vector<WideString>& values);
  std::vector<WideString> GetStringList(const WideString& key, size_t maximum) const;

  // The code of the last failure (0 when none; never reset by success).
  int LastError() const { return lastError_; }
  // The file of the open domain, and where an unreadable one was moved ("" when not).
  const std::string& FilePath() const { return path_; }
  const std::string& MovedAsidePath() const { return movedAside_; }

 private:
  using Value = std::variant<int64_t, bool, WideString, std::string>;  // number, bool, text, data
  bool Set(const WideString& key, Value value, int keyError);
  bool Load();
  bool Save();

  bool open_ = false;
  bool dirty_ = false;
  bool readOnly_ = false;
  int lastError_ = 0;
  WideString domain_;
  std::string path_;
  std::string movedAside_;
  std::map<WideString, Value> values_;
};
