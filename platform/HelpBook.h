// The program's help: a help file or folder (the application registers the help document
// beside the bundle) opened with the desktop's opener (OpenInFinder).
#pragma once

#include "platform/WideString.h"

// Remembers the help path; true when something (a file or a folder) exists there.
bool RegisterHelpBook(const WideString& helpPath);
// Opens the remembered help with the desktop's opener; true when it exists and the opener
// was started. The page and anchor name places inside a help book; a help document opens at
// its start. False when no help was registered or it does not exist.
bool ShowHelpPage(const wchar_t* page = nullptr, const wchar_t* anchor = nullptr);
// The remembered path ("" before RegisterHelpBook).
const WideString& GetHelpBookPath();
