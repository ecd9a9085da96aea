// A probe for built movies played in the player: a clip added to the end of the movie's
// frame 1, at depth 16000, whose enterFrame runs a script compiled from text (AddProbe) or
// actions a test puts together itself (AddProbeWith). It is never removed, so it sees every
// frame, also after the loader has gone. Probe scripts that trace one line of
// "key=value|key=value" a frame have it split by Fields.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/WideString.h"
#include "script/ScriptCompiler.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagList.h"

namespace playerprobe {

// Fills the probe's enterFrame record for a movie of `version`. It may first change the movie's
// tags, so as to name the instances the probe looks for.
using RecordFiller =
    std::function<void(std::vector<std::unique_ptr<SwfTag>>& tags, uint8_t version, ClipActionRecord& record)>;

inline void AddProbeWith(const std::string& path, const RecordFiller& fill) {
  SwfReader reader;
  ASSERT_TRUE(reader.LoadFileWithOptions(Utf8ToWide(path), true, 0, true));
  std::vector<std::unique_ptr<SwfTag>> tags = reader.TakeTags();
  auto record = std::make_unique<ClipActionRecord>(2);  // enterFrame
  fill(tags, reader.GetHeader().version, *record);
  if (::testing::Test::HasFatalFailure()) return;
  auto probe = std::make_unique<DefineSpriteTag>(60000, 0);
  probe->AddTag(std::make_unique<ShowFrameTag>());
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(60000);
  place->depth = 16000;
  place->AddClipAction(std::move(record));
  for (size_t i = 0; i < tags.size(); ++i) {
    if (tags[i]->TagCode() == kSwfTagShowFrame) {
      tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(i), std::move(place));
      tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(i), std::move(probe));
      break;
    }
  }
  SwfFileWriter writer;
  writer.CopyHeader(reader.GetHeader());
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), true));
  for (auto& tag : tags) writer.AddTag(std::move(tag));
  ASSERT_NE(writer.Close(), 0u);
}

// The probe script compiled for `version` into the record.
inline void AddScript(ClipActionRecord& record, const std::string& probeScript, uint8_t version) {
  std::unique_ptr<DoActionTag> script = CompileScriptToDoAction(Utf8ToWide(probeScript), version);
  ASSERT_NE(script, nullptr);
  // The compiled branches carry their offsets already.
  record.SetBranchTracking(false);
  for (auto& action : script->TakeActions()) record.AddAction(std::move(action));
}

inline void AddProbe(const std::string& path, const std::string& probeScript) {
  AddProbeWith(path, [&probeScript](std::vector<std::unique_ptr<SwfTag>>&, uint8_t version, ClipActionRecord& record) {
    AddScript(record, probeScript, version);
  });
}

// "key=value|key=value" into a map.
inline std::map<std::string, std::string> Fields(const std::string& line) {
  std::map<std::string, std::string> fields;
  std::istringstream in(line);
  std::string part;
  while (std::getline(in, part, '|')) {
    const size_t eq = part.find('=');
    if (eq != std::string::npos) fields[part.substr(0, eq)] = part.substr(eq + 1);
  }
  return fields;
}

}  // namespace playerprobe
