// The action listing: one action as one line of readable text, for showing a
// script as a list of instructions.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/WideString.h"
#include "swf/ActionRecord.h"

struct ActionListingLine {
  WideString text;
  std::unique_ptr<ActionRecord> action;  // a private copy of the listed action
  int32_t value = 0;
};

// A new line for the action, or null for a code the listing does not know (and
// for an action kept as bytes whose fields the line would need).
std::unique_ptr<ActionListingLine> ListAction(const ActionRecord& action);

// Formats the arguments (wide printf conventions, C locale) into a new line
// holding the copy. The text is never cut short.
std::unique_ptr<ActionListingLine> FormatListingLine(std::unique_ptr<ActionRecord> copy, const wchar_t* format, ...);
