// A loadable code module (a shared library), opened with dlopen and asked for its entry
// points by name. An entry point that is missing is reported as an error; callers never get
// a null function to call.
#pragma once

#include <string>

#include "platform/WideString.h"

class LoadableBundle {
 public:
  LoadableBundle() = default;
  ~LoadableBundle() { Unload(); }
  LoadableBundle(const LoadableBundle&) = delete;
  LoadableBundle& operator=(const LoadableBundle&) = delete;

  // Loads the module at the path (an absolute path; no search). False when it can't be
  // loaded; LastError() says why. A module loaded before is unloaded first.
  bool Load(const WideString& path);
  // The entry point of that name, or null when it is missing (LastError() says so).
  void* GetFunction(const char* name);
  // Typed form: true and the function in `out` only when the entry point exists.
  template <typename Function>
  bool GetFunction(const char* name, Function*& out) {
    void* f = GetFunction(name);
    if (!f) return false;
    out = reinterpret_cast<Function*>(f);
    return true;
  }
  void Unload();
  bool IsLoaded() const { return handle_ != nullptr; }
  const std::string& LastError() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};
