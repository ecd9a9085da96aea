#include "platform/LoadableBundle.h"

#include <dlfcn.h>

bool LoadableBundle::Load(const WideString& path) {
  Unload();
  error_.clear();
  const std::string native = WideToUtf8(path);
  if (native.empty() || native[0] != '/') {
    error_ = "not an absolute path";
    return false;
  }
  handle_ = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = ::dlerror();
    error_ = why ? why : "can't load";
    return false;
  }
  return true;
}

void* LoadableBundle::GetFunction(const char* name) {
  if (!handle_ || !name) {
    error_ = "no module loaded";
    return nullptr;
  }
  ::dlerror();
  void* f = ::dlsym(handle_, name);
  if (!f) {
    error_ = std::string("missing entry point ") + name;
    return nullptr;
  }
  return f;
}

void LoadableBundle::Unload() {
  if (handle_) ::dlclose(handle_);
  handle_ = nullptr;
}
