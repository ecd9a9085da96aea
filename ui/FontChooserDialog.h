// The font chooser: three lists (families, their typefaces, sizes) with a field above each
// and a line of sample text below them. "Apply" and "OK" write the choice straight into the
// caller's font; "Cancel" leaves what "Apply" wrote. The window is the interface file
// "IDD_FONT_CHOOSER".
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/FontFamilies.h"
#include "platform/PlatformFont.h"
#include "ui/Buttons.h"
#include "ui/DialogWindow.h"
#include "ui/EditTextField.h"
#include "ui/ListView.h"
#include "ui/StaticText.h"

class FontChooserDialog : public DialogWindow {
 public:
  // The sizes of the size list, in points.
  static constexpr int kListedSizes[] = {9, 10, 11, 12, 13, 14, 18, 24, 32, 36, 48, 64, 72, 96};
  // The largest size the sample text is drawn at; larger sizes are drawn at this one.
  static constexpr int kLargestSampleSize = 48;

  FontChooserDialog();
  ~FontChooserDialog() override;

  // Shows the chooser for the font, at the rectangle when one is given (its top left and
  // its content size), and waits for the user: 'ok  ' after OK, 'not!' after Cancel or when
  // the window is closed; -1 when the window can't be made.
  int Run(PlatformFont& font, WindowRef parent, const UiRect* rect);
  // Writes the selection into the font: the family of the selected row with the style of the
  // selected typeface (plain without one, and the family kept when no family is selected),
  // and the size typed in the size field when it is 1 or more.
  void ApplyToFont(PlatformFont& font);
  // Where the window was when it closed (screen coordinates of its content).
  const UiRect& GetWindowRect() const { return rect_; }

  bool OnInitDialog() override;
  bool OnClose() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;
  bool OnSize(int width, int height) override;
  bool OnControlChange(ControlRef hit, ControlRef previous) override;

  // Selects the font's family, typeface and size in the lists (what it can find of them).
  void SelectFont(const PlatformFont& font);
  void SelectSize(int size);

  // The families the family list shows, row by row.
  const std::vector<FontFamilyEntry>& GetFamilies() const { return families_; }

 private:
  void OnFamilySelected(ListViewItem* item);
  void OnStyleSelected(ListViewItem* item);
  void OnSizeSelected(ListViewItem* item);
  void ShowSample();
  void SetListRows(ListView& list, const std::vector<WideString>& rows);

  PlatformFont* font_ = nullptr;
  UiRect rect_{100, 100, 600, 420};
  std::vector<FontFamilyEntry> families_;
  int shownFamily_ = -1;  // the family whose typefaces the typeface list shows

  PushButton ok_, apply_, cancel_;
  StaticText familyLabel_, typefaceLabel_, sizeLabel_, sample_;
  EditTextField familyField_, typefaceField_, sizeField_;
  ListView familyList_, typefaceList_, sizeList_;

  // The layout of the interface file, for OnSize.
  int initialWidth_ = 0, initialHeight_ = 0;
  struct Placed {
    DialogControl* control;
    UiRect bounds;    // window content coordinates
    unsigned follow;  // how it follows the window's size
  };
  std::vector<Placed> layout_;
};

// Tests answer the chooser without a window: the function may change the font as a user
// would and returns 'ok  ' or 'not!'. An empty function restores the real chooser.
using FontChooserResponder = std::function<uint32_t(PlatformFont& font)>;
void SetFontChooserResponder(FontChooserResponder responder);
