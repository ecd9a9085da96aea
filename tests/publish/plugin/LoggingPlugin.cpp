// A player plug-in for the tests of the plug-in host: it appends a line for every call to the
// file named by PLENWICK_TEST_PLUGIN_LOG, answers an error from the calls named in
// PLENWICK_TEST_PLUGIN_FAIL (comma-separated: entry, init, new, newstream, destroystream), and
// on every null event paints its port with a colour that changes from frame to frame.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "publish/PluginApi.h"

namespace {

int gFrame = 0;
PlnPort* gPort = nullptr;
uint32_t gSize[2] = {0, 0};
PlnHostFuncs* gHost = nullptr;

void Log(const std::string& line) {
  const char* path = std::getenv("PLENWICK_TEST_PLUGIN_LOG");
  if (path == nullptr) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

bool Fails(const char* call) {
  const char* list = std::getenv("PLENWICK_TEST_PLUGIN_FAIL");
  if (list == nullptr) return false;
  const std::string all = std::string(",") + list + ",";
  return all.find(std::string(",") + call + ",") != std::string::npos;
}

PlnError Answer(const char* call) { return Fails(call) ? kPlnGenericError : kPlnNoError; }

std::string Hex(const uint8_t* bytes, int32_t length) {
  std::string out;
  char digits[3];
  for (int32_t i = 0; i < length; ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    out += digits;
  }
  return out;
}

PlnError New(const char* type, PlnInstance* instance, uint16_t mode, int16_t argc, char** argn, char** argv,
             void* saved) {
  Log("new " + std::string(type) + " mode=" + std::to_string(mode) + " argc=" + std::to_string(argc) +
      (argn == nullptr && argv == nullptr && saved == nullptr ? " no-args" : " args") +
      (instance->pluginData == nullptr && instance->hostData != nullptr ? " host-data" : " bad-records"));
  return Answer("new");
}

PlnError Destroy(PlnInstance*, void**) {
  Log("destroy");
  gPort = nullptr;
  return kPlnNoError;
}

PlnError SetWindow(PlnInstance*, PlnWindow* w) {
  Log("setwindow " + std::to_string(w->width) + "x" + std::to_string(w->height) + " clip " +
      std::to_string(w->clipRect.top) + "," + std::to_string(w->clipRect.left) + "," +
      std::to_string(w->clipRect.bottom) + "," + std::to_string(w->clipRect.right) +
      (w->window != nullptr ? " port" : " no-port"));
  gPort = static_cast<PlnPort*>(w->window);
  gSize[0] = w->width;
  gSize[1] = w->height;
  return kPlnNoError;
}

PlnError NewStream(PlnInstance*, const char* type, PlnStream* s, uint8_t seekable, uint16_t* streamType) {
  Log("newstream " + std::string(type) + " url=" + s->url + " end=" + std::to_string(s->end) +
      " seekable=" + std::to_string(seekable) + " type=" + std::to_string(*streamType));
  return Answer("newstream");
}

PlnError DestroyStream(PlnInstance*, PlnStream*, int16_t reason) {
  Log("destroystream " + std::to_string(reason));
  return Answer("destroystream");
}

int32_t WriteReady(PlnInstance*, PlnStream*) {
  Log("writeready");
  return 0x0FFFFFFF;
}

int32_t Write(PlnInstance*, PlnStream*, int32_t offset, int32_t length, void* buffer) {
  Log("write " + std::to_string(offset) + " " + Hex(static_cast<const uint8_t*>(buffer), length));
  return length;
}

int16_t Event(PlnInstance*, void* record) {
  const PlnEvent* e = static_cast<const PlnEvent*>(record);
  Log("event " + std::to_string(e->what));
  if (e->what == 0 && gPort != nullptr && gPort->pixels != nullptr) {
    ++gFrame;
    const uint32_t colour = 0xFF000000u | ((static_cast<uint32_t>(gFrame) * 0x203040u) & 0xFFFFFFu);
    for (int32_t y = 0; y < gPort->height && y < static_cast<int32_t>(gSize[1]); ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(gPort->pixels) + y * gPort->stride);
      for (int32_t x = 0; x < gPort->width && x < static_cast<int32_t>(gSize[0]); ++x) row[x] = colour;
    }
  }
  return 0;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void PlnDisableLocalSecurity() { Log("disable-local-security"); }

__attribute__((visibility("default"))) PlnError PlnGetEntryPoints(PlnPluginFuncs* f) {
  Log("entry-points");
  if (Fails("entry")) return kPlnGenericError;
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

#ifndef LOGGING_PLUGIN_WITHOUT_INITIALIZE
__attribute__((visibility("default"))) PlnError PlnInitialize(PlnHostFuncs* host) {
  Log("initialize");
  gHost = host;
  return Answer("init");
}
#endif

__attribute__((visibility("default"))) PlnError PlnShutdown() {
  Log("shutdown");
  gHost = nullptr;
  gFrame = 0;
  return kPlnNoError;
}

}  // extern "C"
