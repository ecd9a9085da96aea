// The streaming movie writer: a header, then every tag as it is added, then, on Close, the
// real file length and frame count.
//
// Tags go to a temporary file in the output's folder as they are added; Close patches the
// header there and renames the file over the output only when every byte was written, so a
// failed build never leaves half a movie behind. Every error is reported: AddTag and Close
// return 0 after one, and Failed()/LastError() say so.
//
// The writer is a signal of an integer: its slots are called once for every completed frame
// with the 0-based index of the frame that a ShowFrame tag ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/FileTypes.h"
#include "platform/Signal.h"
#include "platform/WideString.h"
#include "swf/SwfHeader.h"
#include "swf/SwfRecord.h"

// Smallest stage of the minimum-stage option (1280 x 960 pixels, in twips).
inline constexpr int32_t kSwfMinimumStageWidth = 25600;
inline constexpr int32_t kSwfMinimumStageHeight = 19200;

// Type 'SWFL' and creator 'SWF2', given to every movie file written.
FileTypeCreator SwfFileTypeCreator();

// True when the width is below 25600 twips or the height below 19200 twips.
bool IsStageBelowSwfMinimum(int32_t width, int32_t height);

class SwfFileWriter : public Signal<int> {
 public:
  explicit SwfFileWriter(bool minimumStage = false);
  // A writer destroyed before a successful Close leaves the output untouched.
  ~SwfFileWriter() override;
  SwfFileWriter(const SwfFileWriter&) = delete;
  SwfFileWriter& operator=(const SwfFileWriter&) = delete;

  // Stage 0, 0, width, height (twips), frame rate and version, for the next Open (a movie
  // being written keeps the header it was opened with).
  void SetMovieParameters(int32_t width, int32_t height, float frameRate, uint8_t version);
  // Stage, frame rate and version of a header read from another movie.
  void CopyHeader(const SwfHeader& header);
  // For a movie read from a file and written back as it was read: CopyHeader, and then Close
  // writes the header's frame count as read instead of the ShowFrames counted, and a repeated
  // frame label is written like any other tag. SetMovieParameters and CopyHeader return to
  // the rules of a movie the program builds.
  void CopyReadMovie(const SwfHeader& header);
  int32_t GetStageWidth() const { return xmax_ - xmin_; }
  int32_t GetStageHeight() const { return ymax_ - ymin_; }
  uint8_t GetVersion() const { return version_; }
  float GetFrameRate() const { return frameRate_; }

  // Starts a movie for `path`. An existing file is replaced (on Close) only when
  // `replaceExisting` is true. False when the file exists and may not be replaced, or its
  // folder cannot take the temporary file.
  [[nodiscard]] bool Open(const WideString& path, bool replaceExisting);

  // Writes one tag and returns the bytes written; 0 when the tag is null or dropped (a
  // repeated frame label unless the movie is copied as read, a sound tag under the no-sound
  // flag) or after an error.
  // The first form deletes the tag afterwards, the second leaves it to the caller, the third
  // deletes it unless `keep` is set.
  size_t AddTag(std::unique_ptr<SwfTag> tag);
  size_t AddTag(SwfTag& tag);
  size_t AddTag(SwfTag* tag, bool keep);

  // Writes the header with the real length and frame count (the ShowFrames written, or the
  // count read for CopyReadMovie), then the tags, and replaces the output. Returns the file length, or 0 on any failure
  // (the output is then as it was). The caller adds the End tag itself before.
  [[nodiscard]] uint32_t Close();

  bool IsOpen() const { return open_; }
  bool Failed() const { return failed_; }
  // errno of the first failure (0 when none).
  int LastError() const { return error_; }

  // Frames completed so far (the header saturates at 65535).
  int GetFrameCount() const { return frameCount_; }
  // Colour (0x00BBGGRR) of the last SetBackgroundColor tag written, 0 before.
  uint32_t GetBackgroundColor() const { return backgroundColor_; }
  // Bytes of all tags written since Open.
  uint64_t GetTagBytes() const { return tagBytes_; }
  const WideString& GetPath() const { return path_; }

  // Drop sound tags (DefineSound, StartSound, DefineButtonSound, SoundStreamHead,
  // SoundStreamHead2, SoundStreamBlock).
  void SetNoSound(bool noSound) { noSound_ = noSound; }

 private:
  size_t WriteTag(SwfTag& tag);
  void ForgetFile();
  void Fail(int error);
  SwfHeader MakeHeader() const;

  std::unordered_set<std::wstring> labels_;
  uint64_t tagBytes_ = 0;
  SwfBitWriter scratch_{4};
  AtomicFileWriter file_;
  WideString path_;
  int32_t xmin_ = 0;
  int32_t xmax_ = 20;
  int32_t ymin_ = 0;
  int32_t ymax_ = 20;
  float frameRate_ = 0.0f;
  int frameCount_ = 0;
  size_t headerSize_ = 0;
  uint8_t version_ = 4;
  uint32_t backgroundColor_ = 0;
  bool minimumStage_;
  bool noSound_ = false;
  bool asRead_ = false;  // CopyReadMovie: frame count and labels as read
  uint16_t readFrameCount_ = 0;
  bool open_ = false;
  bool failed_ = false;
  int error_ = 0;
};
