#include "publish/PluginPlayer.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "host/Bundle.h"
#include "host/DesktopOpener.h"
#include "platform/Paths.h"
#include "ui/MessageBox.h"

namespace {

constexpr char kSwfType[] = "application/x-shockwave-flash";
constexpr size_t kHostRecordSize = 64;
constexpr uint16_t kOsEvent = 15;
constexpr int64_t kSmallestMovie = 20;

struct Module {
  void* handle = nullptr;
  PlnPluginFuncs functions{};
  PlnShutdownProc shutdown = nullptr;
};

Module& TheModule() {
  static Module module;
  return module;
}

int gPlayers = 0;
PlnHostFuncs gHost{};
std::string& PluginPathOverride() {
  static std::string path;
  return path;
}
std::function<bool(const std::string&)>& UrlOpener() {
  static std::function<bool(const std::string&)> opener;
  return opener;
}

PlnError OpenUrlForPlugin(PlnInstance* instance, const char* url) {
  if (instance == nullptr || instance->hostData == nullptr || url == nullptr) return kPlnInvalidParam;
  const std::string address(url);
  const bool opened = UrlOpener() ? UrlOpener()(address) : host::OpenWithDesktop(address);
  return opened ? kPlnNoError : kPlnInvalidParam;
}

// The host's entries.
PlnError HostGetUrl(PlnInstance* i, const char* url, const char*) { return OpenUrlForPlugin(i, url); }
PlnError HostGetUrlNotify(PlnInstance* i, const char* url, const char*, void*) { return OpenUrlForPlugin(i, url); }
const char* HostUserAgent(PlnInstance*) { return nullptr; }
void* HostMemAlloc(uint32_t size) { return std::malloc(size); }
void HostMemFree(void* p) { std::free(p); }
PlnError HostPostUrl(PlnInstance*, const char*, const char*, uint32_t, const char*, uint8_t) { return 0; }
PlnError HostRequestRead(PlnStream*, void*) { return 0; }
PlnError HostNewStream(PlnInstance*, const char*, const char*, PlnStream**) { return 0; }
int32_t HostWrite(PlnInstance*, PlnStream*, int32_t, void*) { return 0; }
PlnError HostDestroyStream(PlnInstance*, PlnStream*, int16_t) { return 0; }
void HostStatus(PlnInstance*, const char*) {}
uint32_t HostMemFlush(uint32_t) { return 0; }
void HostReloadPlugins(uint8_t) {}
PlnError HostPostUrlNotify(PlnInstance*, const char*, const char*, uint32_t, const char*, uint8_t, void*) { return 0; }
PlnError HostGetValue(PlnInstance*, int32_t, void*) { return 0; }
PlnError HostSetValue(PlnInstance*, int32_t, void*) { return 0; }
void HostInvalidateRect(PlnInstance*, void*) {}
void HostInvalidateRegion(PlnInstance*, void*) {}
void HostForceRedraw(PlnInstance*) {}
void* HostGetStringIdentifier(const char*) { return nullptr; }
void HostGetStringIdentifiers(const char**, int32_t, void**) {}
void* HostGetIntIdentifier(int32_t) { return nullptr; }
uint8_t HostIdentifierIsString(void*) { return 0; }
char* HostUtf8FromIdentifier(void*) { return nullptr; }
int32_t HostIntFromIdentifier(void*) { return 0; }
void* HostCreateObject(PlnInstance*, void*) { return nullptr; }
void* HostRetainObject(void*) { return nullptr; }
void HostReleaseObject(void*) {}
uint8_t HostInvoke(PlnInstance*, void*, void*, const void*, uint32_t, void*) { return 0; }
uint8_t HostInvokeDefault(PlnInstance*, void*, const void*, uint32_t, void*) { return 0; }
uint8_t HostEvaluate(PlnInstance*, void*, void*, void*) { return 0; }
uint8_t HostGetProperty(PlnInstance*, void*, void*, void*) { return 0; }
uint8_t HostSetProperty(PlnInstance*, void*, void*, const void*) { return 0; }
uint8_t HostRemoveProperty(PlnInstance*, void*, void*) { return 0; }
uint8_t HostHasProperty(PlnInstance*, void*, void*) { return 0; }
uint8_t HostHasMethod(PlnInstance*, void*, void*) { return 0; }
void HostReleaseVariantValue(void*) {}
void HostSetException(void*, const char*) {}

void InitHostFunctionTable() {
  if (gPlayers++ > 0) return;
  gHost = PlnHostFuncs{};
  gHost.size = sizeof(PlnHostFuncs);
  gHost.version = kPlnInterfaceVersion;
  gHost.geturl = HostGetUrl;
  gHost.posturl = HostPostUrl;
  gHost.requestread = HostRequestRead;
  gHost.newstream = HostNewStream;
  gHost.write = HostWrite;
  gHost.destroystream = HostDestroyStream;
  gHost.status = HostStatus;
  gHost.uagent = HostUserAgent;
  gHost.memalloc = HostMemAlloc;
  gHost.memfree = HostMemFree;
  gHost.memflush = HostMemFlush;
  gHost.reloadplugins = HostReloadPlugins;
  gHost.geturlnotify = HostGetUrlNotify;
  gHost.posturlnotify = HostPostUrlNotify;
  gHost.getvalue = HostGetValue;
  gHost.setvalue = HostSetValue;
  gHost.invalidaterect = HostInvalidateRect;
  gHost.invalidateregion = HostInvalidateRegion;
  gHost.forceredraw = HostForceRedraw;
  gHost.getstringidentifier = HostGetStringIdentifier;
  gHost.getstringidentifiers = HostGetStringIdentifiers;
  gHost.getintidentifier = HostGetIntIdentifier;
  gHost.identifierisstring = HostIdentifierIsString;
  gHost.utf8fromidentifier = HostUtf8FromIdentifier;
  gHost.intfromidentifier = HostIntFromIdentifier;
  gHost.createobject = HostCreateObject;
  gHost.retainobject = HostRetainObject;
  gHost.releaseobject = HostReleaseObject;
  gHost.invoke = HostInvoke;
  gHost.invokeDefault = HostInvokeDefault;
  gHost.evaluate = HostEvaluate;
  gHost.getproperty = HostGetProperty;
  gHost.setproperty = HostSetProperty;
  gHost.removeproperty = HostRemoveProperty;
  gHost.hasproperty = HostHasProperty;
  gHost.hasmethod = HostHasMethod;
  gHost.releasevariantvalue = HostReleaseVariantValue;
  gHost.setexception = HostSetException;
}

void ReleaseHostFunctionTable() {
  if (--gPlayers > 0) return;
  Module& module = TheModule();
  if (module.handle != nullptr) {
    if (module.shutdown != nullptr) module.shutdown();
    ::dlclose(module.handle);
  }
  module = Module{};
  gHost = PlnHostFuncs{};
}

// Loads the library once; later loads copy the cached table.
bool LoadModule(const std::string& path, PlnPluginFuncs& functions) {
  Module& module = TheModule();
  if (module.handle != nullptr) {
    functions = module.functions;
    return true;
  }
  // A plug-in may start threads of its own (a browser does): its code stays mapped when it is
  // closed, so nothing of it can run from unmapped pages.
  void* handle = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) return false;
  auto disable = reinterpret_cast<PlnDisableLocalSecurityProc>(::dlsym(handle, "PlnDisableLocalSecurity"));
  auto getEntryPoints = reinterpret_cast<PlnGetEntryPointsProc>(::dlsym(handle, "PlnGetEntryPoints"));
  auto initialize = reinterpret_cast<PlnInitializeProc>(::dlsym(handle, "PlnInitialize"));
  auto shutdown = reinterpret_cast<PlnShutdownProc>(::dlsym(handle, "PlnShutdown"));
  if (getEntryPoints == nullptr || initialize == nullptr) {
    ::dlclose(handle);
    return false;
  }
  if (disable != nullptr) disable();
  PlnPluginFuncs table{};
  table.size = sizeof(PlnPluginFuncs);
  if (getEntryPoints(&table) != kPlnNoError || table.newp == nullptr || table.destroy == nullptr ||
      initialize(&gHost) != kPlnNoError) {
    ::dlclose(handle);
    return false;
  }
  module.handle = handle;
  module.functions = table;
  module.shutdown = shutdown;
  functions = table;
  return true;
}

class File {
 public:
  explicit File(int fd) : fd_(fd) {}
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string GetPreviewPluginPath() {
  if (!PluginPathOverride().empty()) return PluginPathOverride();
  const std::string bundle = host::bundle::BundlePath();
  return bundle.empty() ? std::string() : bundle + "/Resources/player-plugin.so";
}

void SetPreviewPluginPathForTesting(const std::string& path) { PluginPathOverride() = path; }
void SetPluginUrlOpenerForTesting(std::function<bool(const std::string&)> opener) { UrlOpener() = std::move(opener); }
const PlnHostFuncs* GetPluginHostFunctions() { return gPlayers > 0 ? &gHost : nullptr; }

PluginPlayer::PluginPlayer() { InitHostFunctionTable(); }

PluginPlayer::~PluginPlayer() {
  Unload();
  ReleaseHostFunctionTable();
}

bool PluginPlayer::LoadPlugin() {
  Unload();
  const std::string path = GetPreviewPluginPath();
  if (path.empty() || !LoadModule(path, functions_)) return false;
  hostRecord_ = std::make_unique<uint8_t[]>(kHostRecordSize);
  std::memset(hostRecord_.get(), 0, kHostRecordSize);
  instance_ = std::make_unique<PlnInstance>();
  instance_->pluginData = nullptr;
  instance_->hostData = hostRecord_.get();
  PlnInstance* back = instance_.get();
  std::memcpy(hostRecord_.get(), &back, sizeof back);
  if (functions_.newp(kSwfType, instance_.get(), kPlnFullPage, 0, nullptr, nullptr, nullptr) == kPlnNoError)
    return true;
  // An instance the plug-in refused is not one to destroy later.
  instance_.reset();
  hostRecord_.reset();
  return false;
}

void PluginPlayer::Unload() {
  if (instance_ != nullptr && functions_.destroy != nullptr) {
    void* saved = nullptr;
    functions_.destroy(instance_.get(), &saved);
  }
  instance_.reset();
  hostRecord_.reset();
  window_ = PlnWindow{};
  port_ = nullptr;
  stream_ = PlnStream{};
}

void PluginPlayer::SetPort(PlnPort* port) {
  if (port == nullptr) return;
  port_ = port;
  port_->portX = 0;
  port_->portY = 0;
  window_ = PlnWindow{};
  window_.window = port_;
}

void PluginPlayer::SetWindowRect(int top, int left, int bottom, int right) {
  window_.width = static_cast<uint32_t>(right - left);
  window_.height = static_cast<uint32_t>(bottom - top);
  window_.clipRect = {0, 0, static_cast<uint16_t>(window_.height), static_cast<uint16_t>(window_.width)};
  if (instance_ != nullptr && functions_.setwindow != nullptr) functions_.setwindow(instance_.get(), &window_);
}

void PluginPlayer::GetWindowSize(int& width, int& height) const {
  width = static_cast<int>(window_.width);
  height = static_cast<int>(window_.height);
}

bool PluginPlayer::StreamFile(const WideString& path) {
  if (instance_ == nullptr) return false;
  stream_ = PlnStream{};
  uint16_t streamType = kPlnNormalStream;
  const std::string absolute = WideToUtf8(MakeAbsolutePath(path, kPosixPathStyle));
  const File file(::open(absolute.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    ui::ShowErrorBox(nullptr, L"Error", L"Unable to open the SWF");
    return false;
  }
  if (st.st_size < kSmallestMovie) {
    ui::ShowErrorBox(nullptr, L"Error", L"This SWF appears to be invalid or corrupt");
    return false;
  }
  // One write carries the whole file, and its length travels as a signed 32-bit count.
  if (st.st_size > INT32_MAX) return false;
  const std::string url = absolute;
  stream_.hostData = hostRecord_.get();
  stream_.url = url.c_str();
  stream_.end = static_cast<uint32_t>(st.st_size);
  if (functions_.newstream == nullptr ||
      functions_.newstream(instance_.get(), kSwfType, &stream_, 0, &streamType) != kPlnNoError) {
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(file.Get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got != bytes.size()) {
    // A file that ends early is not handed over half.
    if (functions_.destroystream != nullptr) functions_.destroystream(instance_.get(), &stream_, kPlnGenericError);
    return false;
  }
  if (functions_.writeready != nullptr) functions_.writeready(instance_.get(), &stream_);
  if (functions_.write != nullptr) {
    functions_.write(instance_.get(), &stream_, 0, static_cast<int32_t>(bytes.size()), bytes.data());
  }
  const bool done = functions_.destroystream != nullptr &&
                    functions_.destroystream(instance_.get(), &stream_, kPlnReasonDone) == kPlnNoError;
  stream_.url = nullptr;
  return done;
}

void PluginPlayer::HandleEvent(const PlnEvent& event) {
  if (instance_ == nullptr || functions_.event == nullptr) return;
  PlnEvent record = event.what == kOsEvent ? PlnEvent{} : event;
  functions_.event(instance_.get(), &record);
}

void PluginPlayer::SendIdleEvent() {
  if (instance_ == nullptr || functions_.event == nullptr) return;
  PlnEvent record{};
  functions_.event(instance_.get(), &record);
}
