// Typed values in the AMF0 form (the Action Message Format that passes values to a movie):
// numbers, booleans, strings and ECMA arrays of named properties, written onto a
// ByteStreamWriter.
//
// Everything is big-endian, as AMF0 is. Strings are UTF-8 with a 16-bit byte count; a string
// value longer than 65535 bytes is written as a long string (type 0x0C, 32-bit count), and a
// property name that long is cut at the last whole character within 65535 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/WideString.h"
#include "swf/ByteStreamWriter.h"

struct AmfProperty;

struct AmfValue {
  enum Type : uint8_t { kNumber = 0, kBoolean = 1, kString = 2, kMovieClip = 4, kEcmaArray = 8, kLongString = 12 };

  uint8_t type = kNumber;
  double number = 0;                    // kNumber
  uint8_t boolean = 0;                  // kBoolean
  WideString text;                      // kString and kMovieClip (written like a string)
  std::vector<AmfProperty> properties;  // kEcmaArray
};

struct AmfProperty {
  WideString name;
  AmfValue value;
};

// Each writer returns the number of bytes it added to the writer.
// The type byte, then by type: the 8-byte double; one byte; the string; the 32-bit entry
// count, each property, and the object end 00 00 09. Other types write the type byte alone.
size_t WriteAmfValue(const AmfValue& value, ByteStreamWriter& writer);
// The name, then the value.
size_t WriteAmfProperty(const AmfProperty& property, ByteStreamWriter& writer);
// Flushes pending bits, then the 16-bit byte count and the UTF-8 bytes.
size_t WriteAmfString(const WideString& text, ByteStreamWriter& writer);
