/* The plug-in interface of the preview player: a C interface between the program (the host)
 * and a player plug-in, a shared library opened with dlopen. It follows the shape of the
 * classic browser plug-in interface: the plug-in exports PlnGetEntryPoints (fills the plug-in
 * function table), PlnInitialize (receives the host function table) and PlnShutdown, and
 * optionally PlnDisableLocalSecurity; every later call goes through the two tables.
 *
 * The plug-in draws into the port: 32-bit pixels (0xAARRGGBB in native byte order), rows
 * `stride` bytes apart. A plug-in that shows a widget of its own may put it into the host
 * widget (a QWidget*) instead. Everything runs on the GUI thread. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int16_t PlnError;
enum { kPlnNoError = 0, kPlnGenericError = 1, kPlnInvalidParam = 9 };
enum { kPlnFullPage = 2 };
enum { kPlnNormalStream = 1 };
enum { kPlnReasonDone = 0 };
enum { kPlnInterfaceVersion = 14 };

typedef struct PlnInstance {
  void* pluginData; /* the plug-in's */
  void* hostData;   /* the host's */
} PlnInstance;

typedef struct PlnPort {
  uint32_t* pixels;
  int32_t width;
  int32_t height;
  int32_t stride; /* bytes from one row to the next */
  int32_t portX;
  int32_t portY;
  void* hostWidget;
} PlnPort;

typedef struct PlnClipRect {
  uint16_t top;
  uint16_t left;
  uint16_t bottom;
  uint16_t right;
} PlnClipRect;

typedef struct PlnWindow {
  void* window; /* the PlnPort */
  int32_t x;
  int32_t y;
  uint32_t width;
  uint32_t height;
  PlnClipRect clipRect;
} PlnWindow;

typedef struct PlnStream {
  void* pluginData;
  void* hostData;
  const char* url; /* UTF-8 */
  uint32_t end;    /* length in bytes */
  uint32_t lastModified;
  void* notifyData;
} PlnStream;

/* A classic event record; all zero is the null event, on which the plug-in may advance. */
typedef struct PlnEvent {
  uint16_t what;
  uint32_t message;
  uint32_t when;
  int16_t whereV;
  int16_t whereH;
  uint16_t modifiers;
} PlnEvent;

typedef struct PlnPluginFuncs {
  uint16_t size;
  uint16_t version;
  PlnError (*newp)(const char* mimeType, PlnInstance* instance, uint16_t mode, int16_t argc, char** argn, char** argv,
                   void* saved);
  PlnError (*destroy)(PlnInstance* instance, void** saved);
  PlnError (*setwindow)(PlnInstance* instance, PlnWindow* window);
  PlnError (*newstream)(PlnInstance* instance, const char* type, PlnStream* stream, uint8_t seekable,
                        uint16_t* streamType);
  PlnError (*destroystream)(PlnInstance* instance, PlnStream* stream, int16_t reason);
  void (*asfile)(PlnInstance* instance, PlnStream* stream, const char* fname);
  int32_t (*writeready)(PlnInstance* instance, PlnStream* stream);
  int32_t (*write)(PlnInstance* instance, PlnStream* stream, int32_t offset, int32_t len, void* buffer);
  void (*print)(PlnInstance* instance, void* platformPrint);
  int16_t (*event)(PlnInstance* instance, void* event);
  void (*urlnotify)(PlnInstance* instance, const char* url, int16_t reason, void* notifyData);
  void* javaClass;
  PlnError (*getvalue)(PlnInstance* instance, int32_t variable, void* value);
  PlnError (*setvalue)(PlnInstance* instance, int32_t variable, void* value);
} PlnPluginFuncs;

/* The host function table. Only these entries do work: geturl and geturlnotify (open the
 * address with the desktop's handler), uagent (answers null), memalloc and memfree (malloc and
 * free). getJavaEnv and getJavaPeer are null. Every other entry does nothing and answers zero. */
typedef struct PlnHostFuncs {
  uint16_t size;
  uint16_t version;
  PlnError (*geturl)(PlnInstance* instance, const char* url, const char* window);
  PlnError (*posturl)(PlnInstance* instance, const char* url, const char* window, uint32_t len, const char* buf,
                      uint8_t file);
  PlnError (*requestread)(PlnStream* stream, void* rangeList);
  PlnError (*newstream)(PlnInstance* instance, const char* type, const char* window, PlnStream** stream);
  int32_t (*write)(PlnInstance* instance, PlnStream* stream, int32_t len, void* buffer);
  PlnError (*destroystream)(PlnInstance* instance, PlnStream* stream, int16_t reason);
  void (*status)(PlnInstance* instance, const char* message);
  const char* (*uagent)(PlnInstance* instance);
  void* (*memalloc)(uint32_t size);
  void (*memfree)(void* ptr);
  uint32_t (*memflush)(uint32_t size);
  void (*reloadplugins)(uint8_t reloadPages);
  void* getJavaEnv;
  void* getJavaPeer;
  PlnError (*geturlnotify)(PlnInstance* instance, const char* url, const char* target, void* notifyData);
  PlnError (*posturlnotify)(PlnInstance* instance, const char* url, const char* target, uint32_t len, const char* buf,
                            uint8_t file, void* notifyData);
  PlnError (*getvalue)(PlnInstance* instance, int32_t variable, void* value);
  PlnError (*setvalue)(PlnInstance* instance, int32_t variable, void* value);
  void (*invalidaterect)(PlnInstance* instance, void* rect);
  void (*invalidateregion)(PlnInstance* instance, void* region);
  void (*forceredraw)(PlnInstance* instance);
  void* (*getstringidentifier)(const char* name);
  void (*getstringidentifiers)(const char** names, int32_t count, void** identifiers);
  void* (*getintidentifier)(int32_t value);
  uint8_t (*identifierisstring)(void* identifier);
  char* (*utf8fromidentifier)(void* identifier);
  int32_t (*intfromidentifier)(void* identifier);
  void* (*createobject)(PlnInstance* instance, void* aClass);
  void* (*retainobject)(void* object);
  void (*releaseobject)(void* object);
  uint8_t (*invoke)(PlnInstance* instance, void* object, void* method, const void* args, uint32_t count, void* result);
  uint8_t (*invokeDefault)(PlnInstance* instance, void* object, const void* args, uint32_t count, void* result);
  uint8_t (*evaluate)(PlnInstance* instance, void* object, void* script, void* result);
  uint8_t (*getproperty)(PlnInstance* instance, void* object, void* property, void* result);
  uint8_t (*setproperty)(PlnInstance* instance, void* object, void* property, const void* value);
  uint8_t (*removeproperty)(PlnInstance* instance, void* object, void* property);
  uint8_t (*hasproperty)(PlnInstance* instance, void* object, void* property);
  uint8_t (*hasmethod)(PlnInstance* instance, void* object, void* method);
  void (*releasevariantvalue)(void* variant);
  void (*setexception)(void* object, const char* message);
} PlnHostFuncs;

/* The entry points a plug-in exports. */
typedef PlnError (*PlnGetEntryPointsProc)(PlnPluginFuncs* functions);
typedef PlnError (*PlnInitializeProc)(PlnHostFuncs* host);
typedef PlnError (*PlnShutdownProc)(void);
typedef void (*PlnDisableLocalSecurityProc)(void);

#ifdef __cplusplus
}
#endif
