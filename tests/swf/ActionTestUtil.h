// Small helpers for the action tests: bytes in, bytes out.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "swf/ActionRecord.h"
#include "swf/DoActionTag.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"

using Bytes = std::vector<uint8_t>;

inline Bytes WriteAction(ActionRecord& action, uint8_t version = 6) {
  SwfBitWriter writer(version);
  action.Write(writer);
  return writer.GetBytes();
}

// The list's records and End byte, without a tag header.
inline Bytes WriteList(DoActionTag& list, uint8_t version = 6) {
  SwfBitWriter writer(version);
  list.WriteActions(writer, false);
  return writer.GetBytes();
}

// Reads one action list from the bytes, the way a DoAction tag body is read.
inline std::unique_ptr<DoActionTag> ReadList(const Bytes& bytes, uint8_t version = 6, bool padDetection = true) {
  SwfReader reader(bytes, version);
  auto list = std::make_unique<DoActionTag>();
  list->padDetection = padDetection;
  list->Read(reader);
  return list;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
