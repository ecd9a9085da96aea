// The segments display: a row of segments that light one by one as the target loads. The
// artwork's clip "progress" holds one segment "seg1", optionally a background slot "bseg1",
// an end piece "bsege" and a background "ldrbg". The build copies "seg1" and "bseg1" into a
// row of max_segs segments, each one segment width plus the gap right of the one before; the
// clip script shows the first int(prcnt x max_segs) segments and hides the others. When the
// library movie animates its segments, each segment's own timeline plays when it appears, and
// the load script is script text compiled for the movie's version.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/WideString.h"
#include "preloader/PreloaderDisplay.h"
#include "ui/EditTextField.h"

class DoActionTag;

class SegmentsDisplay : public ColorPairDisplay {
 public:
  SegmentsDisplay() { ResetSegments(); }

  // The display sprite is placed at exactly x, y: its origin is the artwork's top-left.
  int32_t GetWidth() const override { return 0; }
  int32_t GetHeight() const override { return 0; }
  // The row keeps the display's width whatever the count and gap: width over the row's span.
  double GetXScale() const override;
  uint16_t BuildDefinitions(SwfFileWriter& writer, PreloaderBuilder& builder) override;
  void AttachScript(PlaceObject2Tag& placement) override;
  bool ReadTypeXml(const XmlElement& element) override;
  bool WriteTypeXml(XmlWriter& writer) const override;
  // "seg_width", "seg_height", "end_width" (decimal), "animate_segs", "animate_bsegs"
  // ("true"), the colour pair and "var_hgap" (decimal); then the width of the whole row.
  void ReadTypeDescription(const MovieVariableReader& reader) override;
  bool CheckDescription(std::string& why) const override;

  static constexpr int32_t GetMaxSegsMin() { return 1; }
  static constexpr int32_t GetMaxSegsMax() { return 200; }
  // Checked setters: false, nothing changed, for a count outside 1 to 200 or a gap that
  // would put a segment at or left of the one before (gap <= -seg_width) or beyond 5000.
  bool SetMaxSegs(int32_t count);
  bool SetHgap(int32_t gap);

  int32_t GetMaxSegs() const { return maxSegs_; }
  int32_t GetHgap() const { return hgap_; }
  int32_t GetSegWidth() const { return segWidth_; }
  int32_t GetSegHeight() const { return segHeight_; }
  int32_t GetEndWidth() const { return endWidth_; }
  bool AnimatesSegments() const { return animateSegs_; }
  bool AnimatesBackgroundSegments() const { return animateBsegs_; }
  bool IsHgapEditable() const { return hgapEditable_; }
  bool HasBackgroundPanel() const { return ldrbgPresent_; }

  // The row's span in pixels as the description measures it (the display's first width)
  // and as the scale measures it; they differ when the row has an end piece (endWidth > 0).
  static int32_t DescriptionSpan(int32_t segWidth, int32_t endWidth, int32_t count, int32_t gap);
  static int32_t ScaleSpan(int32_t segWidth, int32_t endWidth, int32_t count, int32_t gap);
  // The load script of animated segments, filled with the count.
  WideString AnimatedLoadScript() const;
  // A load script compiled for the SWF version; null, with the reason in `why` (a sentence
  // part that follows the display's name), when the compiler gives no actions for it.
  static std::unique_ptr<DoActionTag> CompileLoadScript(const WideString& text, int32_t version, std::string& why);

  // Panel control numbers beyond the colour rows: the spacing row and the count row.
  static constexpr int kSpacingLabel = 10004, kSpacingField = 10005, kCountLabel = 10006, kCountField = 10007;
  bool EnablePanel(bool on) override;
  // A commit (Return, Enter, Tab) in the count or spacing field marks the display changed and
  // has the host store the panel.
  bool OnPanelControlChanged(int unused, ControlRef control) override;

 protected:
  bool AdjustArtwork(DisplayArtwork& artwork) override;
  // The colour rows, then "Max Segments:" with its field and, when the library movie lets
  // the gap be set, "Spacing:" with its field.
  bool CreateTypeControls(DialogWindow& host, ControlRef parent, const UiRect& origin) override;
  bool DestroyTypeControls() override;
  // The colours, the count and the gap; a count or gap the display refuses is reported
  // (heading 10001, text 168 or 169 with the limits) and stops the store with false.
  bool ApplyTypeControls() override;

 private:
  // An edit field of the panel that tells its display of a commit.
  class PanelField : public EditTextField {
   public:
    SegmentsDisplay* owner = nullptr;
  };
  static void OnFieldCommit(EditTextField* field, uint32_t unused);
  void ResetSegments();
  // The count and gap the build uses: a value read from a project that the setters would
  // refuse is brought into range here, so no loop or depth runs past its bounds.
  int32_t UsedSegs() const;
  int32_t UsedGap() const;

  int32_t maxSegs_ = 5;
  int32_t hgap_ = 0;
  int32_t segWidth_ = 0;
  int32_t segHeight_ = 0;
  int32_t endWidth_ = 0;
  bool animateSegs_ = false;
  bool animateBsegs_ = false;
  bool hgapEditable_ = false;
  bool ldrbgPresent_ = false;
  // The SWF version of the movie being built: the compiled load script is made for it.
  int32_t version_ = 6;
  StaticText countLabel_, spacingLabel_;
  PanelField countField_, spacingField_;
};
