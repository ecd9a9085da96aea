// The preview player plug-in: plays the streamed movie with Ruffle in a web view that it puts
// into the host's widget (see publish/PluginApi.h). Built as a library of its own, which the
// preview control loads; the view draws itself, so the offscreen port is left alone.
#include <dlfcn.h>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QWidget>
#include <cstdlib>

#include "host/web/RuffleView.h"
#include "publish/PluginApi.h"

namespace {

struct Instance {
  host::web::RuffleView* view = nullptr;
  QByteArray movie;
  QString folder;
};

QString RuffleFolder() {
  const QByteArray fromEnv = qgetenv("PLENWICK_RUFFLE_DIR");
  if (!fromEnv.isEmpty()) return QString::fromUtf8(fromEnv);
  // Beside this library in the bundle's Resources folder.
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&RuffleFolder), &info) == 0 || info.dli_fname == nullptr) return {};
  return QFileInfo(QString::fromUtf8(info.dli_fname)).absoluteDir().filePath("ruffle");
}

Instance* Of(PlnInstance* instance) {
  return instance != nullptr ? static_cast<Instance*>(instance->pluginData) : nullptr;
}

PlnError New(const char*, PlnInstance* instance, uint16_t, int16_t, char**, char**, void*) {
  if (instance == nullptr) return kPlnInvalidParam;
  instance->pluginData = new Instance;
  return kPlnNoError;
}

PlnError Destroy(PlnInstance* instance, void**) {
  Instance* self = Of(instance);
  if (self == nullptr) return kPlnInvalidParam;
  delete self->view;
  delete self;
  instance->pluginData = nullptr;
  return kPlnNoError;
}

PlnError SetWindow(PlnInstance* instance, PlnWindow* window) {
  Instance* self = Of(instance);
  if (self == nullptr || window == nullptr) return kPlnInvalidParam;
  auto* port = static_cast<PlnPort*>(window->window);
  auto* host = port != nullptr ? static_cast<QWidget*>(port->hostWidget) : nullptr;
  if (host == nullptr) return kPlnNoError;
  // A window of no size: the host has blanked its control, and the view, which would cover it
  // and play on, is hidden until a window of some size comes again.
  if (window->width == 0 || window->height == 0) {
    if (self->view != nullptr) self->view->hide();
    return kPlnNoError;
  }
  if (self->view == nullptr) self->view = new host::web::RuffleView(RuffleFolder(), host);
  self->view->setGeometry(0, 0, static_cast<int>(window->width), static_cast<int>(window->height));
  self->view->show();
  return kPlnNoError;
}

PlnError NewStream(PlnInstance* instance, const char*, PlnStream* stream, uint8_t, uint16_t*) {
  Instance* self = Of(instance);
  if (self == nullptr || stream == nullptr) return kPlnInvalidParam;
  self->movie.clear();
  self->folder = stream->url != nullptr ? QFileInfo(QString::fromUtf8(stream->url)).absolutePath() : QString();
  return kPlnNoError;
}

int32_t WriteReady(PlnInstance*, PlnStream*) { return 0x0FFFFFFF; }

int32_t Write(PlnInstance* instance, PlnStream*, int32_t, int32_t length, void* buffer) {
  Instance* self = Of(instance);
  if (self == nullptr || length < 0 || buffer == nullptr) return -1;
  self->movie.append(static_cast<const char*>(buffer), length);
  return length;
}

PlnError DestroyStream(PlnInstance* instance, PlnStream*, int16_t reason) {
  Instance* self = Of(instance);
  if (self == nullptr) return kPlnInvalidParam;
  if (reason != kPlnReasonDone) return kPlnNoError;
  if (self->view == nullptr) return kPlnGenericError;
  self->view->Play(self->movie, self->folder);
  return kPlnNoError;
}

int16_t Event(PlnInstance*, void*) { return 0; }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) PlnError PlnGetEntryPoints(PlnPluginFuncs* f) {
  if (f == nullptr) return kPlnInvalidParam;
  f->version = kPlnInterfaceVersion;
  f->newp = New;
  f->destroy = Destroy;
  f->setwindow = SetWindow;
  f->newstream = NewStream;
  f->destroystream = DestroyStream;
  f->writeready = WriteReady;
  f->write = Write;
  f->event = Event;
  return kPlnNoError;
}

__attribute__((visibility("default"))) PlnError PlnInitialize(PlnHostFuncs*) {
  host::web::RegisterPlayerScheme();
  return kPlnNoError;
}

__attribute__((visibility("default"))) PlnError PlnShutdown() { return kPlnNoError; }

}  // extern "C"
