// The variables that a movie's first-frame scripts set, learnt without playing the movie.
//
// Preloader library movies declare their type, name, sizes and settings as literal
// assignments in the scripts of their first frame. The reader follows the DoAction tags of
// that frame and interprets only what such assignments are made of: Push (texts, numbers,
// booleans, null, undefined, constant-pool references), ConstantPool and SetVariable. Every
// other action is passed over and leaves the values as they are, so computed values are not
// evaluated: only literal assignments give dependable variables. It also records the movie's
// stage size and frame rate.
//
// The scan is bounded whatever the file holds: tags other than DoAction are skipped without
// being interpreted, the values waiting to be assigned are kept to a fixed number (the
// oldest go first), at most kMaxVariables names are kept, and a scan ends once its pushes
// have made kMaxScanCharacters characters of text; what was found until then stays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "platform/WideString.h"

class DoActionTag;

class MovieVariableReader {
 public:
  // The longest value GetValue hands out; longer values are cut to it.
  static constexpr size_t kMaxValueLength = 255;
  // Values pushed and not yet assigned that the reader keeps.
  static constexpr size_t kMaxPendingValues = 65536;
  // Characters of text that the pushes of one scan may make (each value counts one more).
  static constexpr uint64_t kMaxScanCharacters = uint64_t{1} << 22;
  // Distinct variable names the reader keeps.
  static constexpr size_t kMaxVariables = 65536;

  MovieVariableReader();
  MovieVariableReader(const MovieVariableReader&) = delete;
  MovieVariableReader& operator=(const MovieVariableReader&) = delete;
  ~MovieVariableReader();

  // Scans the movie at the path ("FWS" or "CWS"): the DoAction tags up to the end of its
  // first frame, or of `extraFrames` further frames. True when the file opened as a SWF
  // movie; false otherwise, and the reader is then as it was. Reading a second movie adds its
  // variables to those of the first, whose values win, and takes its stage size and rate.
  [[nodiscard]] bool ReadFile(const WideString& path, int extraFrames);

  // The value of the first assignment to the name, compared without regard to the case of
  // A to Z (other characters must match exactly; the comparison ends at a NUL character),
  // cut to kMaxValueLength characters. False, with `out` unchanged, when no script assigned it.
  bool GetValue(const WideString& name, WideString& out) const;

  // Distinct names that assignments have been found for.
  size_t GetVariableCount() const { return values_.size(); }
  // The stage size in twips (Xmax - Xmin, Ymax - Ymin) and the frame rate of the movie read
  // last; 0 before any.
  int32_t GetStageWidth() const { return stageWidth_; }
  int32_t GetStageHeight() const { return stageHeight_; }
  double GetFrameRate() const { return frameRate_; }

 private:
  // Interprets the actions of one DoAction tag; false when the scan's limits are reached.
  bool ScanActions(DoActionTag& tag);
  // Puts a value on the stack; false (nothing pushed) when the scan's text budget is spent.
  bool PushText(WideString text);
  // Takes the newest value; false when there is none.
  bool PopText(WideString& text);
  void Assign(WideString name, WideString value);

  // Values pushed and not yet assigned, oldest first.
  std::deque<WideString> stack_;
  // Assigned values by folded name; the first assignment to a name is the one kept.
  std::unordered_map<std::wstring, WideString> values_;
  // The strings of the constant pool met last in this scan.
  std::vector<WideString> pool_;
  uint64_t scanCharacters_ = 0;
  int32_t stageWidth_ = 0;
  int32_t stageHeight_ = 0;
  double frameRate_ = 0.0;
};
