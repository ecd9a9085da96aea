// Movies of the corpus (ruffle-avm1) whose merge the build refuses, each with the words its
// refusal states and why. The corpus tests that merge movies fail on any other refusal, and on
// a listed one that gives another reason; a listed movie that merges is reported.
#pragma once

#include <cstdio>
#include <map>
#include <string>

namespace corpusmerge {

struct ExpectedRefusal {
  const char* says;  // words the build's reason holds
  const char* why;
};

// Tags the model keeps as their bytes: the character ids inside can't be moved past the
// preloader's, so the merge is refused rather than written with ids that clash.
inline constexpr ExpectedRefusal kShape4 = {"DefineShape4 (tag code 83) is kept as bytes",
                                            "DefineShape4 is kept as bytes, its ids can't be moved"};
inline constexpr ExpectedRefusal kMorphShape2 = {"DefineMorphShape2 (tag code 84) is kept as bytes",
                                                 "DefineMorphShape2 is kept as bytes, its ids can't be moved"};
inline constexpr ExpectedRefusal kFont3 = {"DefineFont3 (tag code 75) is kept as bytes",
                                           "DefineFont3 is kept as bytes, its ids can't be moved"};
inline constexpr ExpectedRefusal kFontName = {"DefineFontName (tag code 88) is kept as bytes",
                                              "DefineFontName is kept as bytes, the font id it names can't be moved"};
inline constexpr ExpectedRefusal kJpeg4 = {"DefineBitsJPEG4 (tag code 90) is kept as bytes",
                                           "DefineBitsJPEG4 is kept as bytes, its id can't be moved"};
// A placement whose clip actions don't fit the tag: read as bytes, its ids and depth stay.
inline constexpr ExpectedRefusal kUnreadablePlaceObject2 = {
    "PlaceObject2 (tag code 26) could not be read and is kept as bytes",
    "a placement whose clip actions run past the tag can't be read, so its id and depth can't be moved"};
// Merging would break an ActionScript 3 movie; the build says so.
inline constexpr ExpectedRefusal kActionScript3 = {"is an ActionScript 3 movie, which cannot be merged",
                                                   "an ActionScript 3 movie"};

inline const std::map<std::string, ExpectedRefusal>& ExpectedRefusals() {
  static const std::map<std::string, ExpectedRefusal> refusals = {
      {"asfunction", kFont3},
      {"bad_placeobject_clipaction", kUnreadablePlaceObject2},
      {"bitmap_filters", kShape4},
      {"clone_sprite_types", kJpeg4},
      {"default_names", kFont3},
      {"define_font_glyph_table_order", kActionScript3},
      {"define_font_glyph_table_overlap", kActionScript3},
      {"device_font_spacing", kFont3},
      {"do_init_action", kShape4},
      {"edittext_align_trailing_spaces_swf8", kFont3},
      {"edittext_autosize_setter", kFontName},
      {"edittext_default_format", kFont3},
      {"edittext_default_format_font_style", kFontName},
      {"edittext_drag_select", kFont3},
      {"edittext_font_size", kFont3},
      {"edittext_html_condensewhite_swf8", kFont3},
      {"edittext_html_swf8", kFont3},
      {"edittext_leading", kFont3},
      {"edittext_margins", kFont3},
      {"edittext_newlines", kFont3},
      {"edittext_password", kShape4},
      {"edittext_tag_indent", kFont3},
      {"edittext_text_height_leading", kFont3},
      {"edittext_underline", kFont3},
      {"edittext_width_height", kFontName},
      {"execution_order2", kShape4},
      {"execution_order3", kShape4},
      {"extends_native_type", kShape4},
      {"focus_mouse_rollout", kShape4},
      {"focusrect_property_swf6", kFont3},
      {"focusrect_property_swf7", kFont3},
      {"function_base_clip", kShape4},
      {"gettextextent", kFont3},
      {"goto_advance1", kShape4},
      {"goto_execution_order", kShape4},
      {"goto_execution_order2", kShape4},
      {"goto_methods", kShape4},
      {"issue_1671", kShape4},
      {"issue_3446", kShape4},
      {"issue_3522", kFont3},
      {"mouse_events", kShape4},
      {"movieclip_hittest", kShape4},
      {"movieclip_hittest_shapeflag", kShape4},
      {"nested_textfields_in_buttons", kFont3},
      {"place_and_lookup", kMorphShape2},
      {"register_class_with_sound", kShape4},
      {"remove_movie_clip", kShape4},
      {"string_paths_other", kShape4},
      {"string_paths_variable_scopes", kShape4},
      {"tab_ordering_automatic_basic", kFont3},
      {"tab_ordering_events", kShape4},
      {"tab_ordering_movieclip_enabled_default", kFont3},
      {"tab_ordering_properties", kFont3},
      {"tab_ordering_tabbable", kFont3},
      {"text_blocks_clicks", kShape4},
      {"textfield_background_color", kFont3},
      {"textfield_properties", kFont3},
      {"textfield_text", kFont3},
      {"unload_nested_child", kShape4},
      {"with", kShape4},
  };
  return refusals;
}

// What is wrong with the build's refusal to merge the movie: "" when it is listed and states
// its listed reason.
inline std::string CheckRefusal(const std::string& movie, const std::string& error) {
  const auto found = ExpectedRefusals().find(movie);
  if (found == ExpectedRefusals().end()) return movie + ": the merge is refused, and no refusal is expected: " + error;
  if (error.find(found->second.says) == std::string::npos)
    return movie + ": the merge is refused for another reason than the listed one (" + found->second.why +
           "): " + error;
  return {};
}

// A movie that merged although a refusal is listed for it: reported, not failed.
inline void NoteIfListed(const std::string& movie) {
  const auto found = ExpectedRefusals().find(movie);
  if (found != ExpectedRefusals().end())
    std::printf("note: %s merges now; it is listed as refused (%s)\n", movie.c_str(), found->second.why);
}

}  // namespace corpusmerge
