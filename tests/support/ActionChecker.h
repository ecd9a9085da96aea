// An independent decoder of SWF action bytes for tests.
//
// It shares no code with the movie model under swf/: it decodes the
// ACTIONRECORD stream straight from the public file format and checks the
// structural rules a player relies on:
//   - every record's declared payload lies inside the list;
//   - every Jump and If lands on an action boundary inside its code block
//     (the whole list, or the body of the function that holds the branch);
//   - the code sizes of DefineFunction and DefineFunction2, the block size of
//     With and the three block sizes of Try end on action boundaries inside
//     the enclosing block.
// Tests run it over every script they build, and over movies of the corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace actioncheck {

struct DecodedAction {
  size_t offset = 0;  // offset of the code byte within the checked bytes
  uint8_t code = 0;
  uint16_t payloadLength = 0;  // 0 for codes below 0x80
  size_t size = 1;             // whole record: 1, or 3 + payload length
};

struct CheckResult {
  std::vector<DecodedAction> actions;  // in order, End excluded
  bool sawEnd = false;                 // a 0x00 code ended the list
  size_t endOffset = 0;                // offset of the End byte (or of the data end)
  size_t trailingBytes = 0;            // bytes after the End byte
  std::vector<std::string> problems;   // empty when the list is sound

  bool Ok() const { return problems.empty(); }
  // All problems on separate lines, for test failure messages.
  std::string Report() const;
};

struct CheckOptions {
  bool requireEnd = true;           // a list must end with the End byte
  bool allowTrailingBytes = false;  // bytes after the End byte are a problem unless set
};

// Decodes and checks one action list: records followed by the End byte.
CheckResult CheckActionList(const uint8_t* data, size_t size, const CheckOptions& options = {});
CheckResult CheckActionList(const std::vector<uint8_t>& bytes, const CheckOptions& options = {});

// An action list found in a movie, with a description of where it lies.
struct MovieActionList {
  std::string where;  // e.g. "tag 12 at 0x1234", "tag 39 at 0x20 / tag 12 at 0x40"
  int version = 0;    // the movie's SWF version
  std::vector<uint8_t> bytes;
};

// Reads a whole movie file (FWS or CWS) and returns the action lists of its
// DoAction and DoInitAction tags, including those inside sprites.
// Returns false and fills error when the file cannot be decoded.
bool CollectMovieActionLists(const std::string& path, std::vector<MovieActionList>& lists, std::string& error);

}  // namespace actioncheck
