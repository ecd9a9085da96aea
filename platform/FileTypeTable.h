// Mac file types as text: extension, extension list and display name, for the file
// choosers and their file-type menus.
#pragma once

#include "platform/FileTypes.h"
#include "platform/WideString.h"

// The single extension, without dot. False (out emptied) for a type without one.
bool GetFileTypeExtension(OSType type, WideString& out);
// The extensions separated by ";" ("jpg;jpeg"). False for a type without one.
bool GetFileTypeExtensionList(OSType type, WideString& out);
// The display name ("Flash Animation"). False for an unknown type.
bool GetFileTypeDescription(OSType type, WideString& out);
