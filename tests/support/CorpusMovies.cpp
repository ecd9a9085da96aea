#include "tests/support/CorpusMovies.h"

#include <algorithm>
#include <fstream>

namespace corpusmovies {
namespace {

namespace fs = std::filesystem;

std::string Trim(const std::string& text) {
  const size_t start = text.find_first_not_of(" \t\r");
  if (start == std::string::npos) return {};
  return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

}  // namespace

std::vector<CorpusMovie> ChoosePlayableMovies(const fs::path& corpus) {
  std::vector<CorpusMovie> chosen;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const fs::path dir = entry.path();
    if (!entry.is_directory() || !fs::is_regular_file(dir / "test.swf") || !fs::is_regular_file(dir / "output.txt") ||
        !fs::is_regular_file(dir / "test.toml") || fs::exists(dir / "input.json") || fs::exists(dir / "socket.json")) {
      continue;
    }
    std::ifstream toml(dir / "test.toml");
    std::string line;
    int frames = 0;
    bool plain = true;
    std::string table;  // the [table] or [[array of tables]] the line belongs to
    while (std::getline(toml, line)) {
      if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
      line = Trim(line);
      if (line.empty()) continue;
      if (line.front() == '[') {
        table = Trim(line.substr(line.find_first_not_of('['), line.find(']') - line.find_first_not_of('[')));
        if (table != "compilers") plain = false;
        continue;
      }
      const size_t equals = line.find('=');
      if (equals == std::string::npos) continue;  // the rest of a value spread over lines
      const std::string key = Trim(line.substr(0, equals));
      const std::string value = Trim(line.substr(equals + 1));
      if (table.empty() && (key == "num_frames" || key == "num_ticks") && !value.empty() && value.size() < 7 &&
          value.find_first_not_of("0123456789") == std::string::npos) {
        frames = std::stoi(value);
      } else if (table != "compilers") {
        plain = false;
      }
    }
    if (plain && frames > 0) chosen.push_back({dir.filename().string(), dir, frames});
  }
  std::sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return chosen;
}

const std::map<std::string, PlaybackDifference>& KnownPlaybackDifferences() {
  constexpr bool kMayMatch = true;
  static const std::map<std::string, PlaybackDifference> known = {
      {"clone_sprite_edittext_dynamic", {"text field sizes depend on the device font, which differs in the browser"}},
      {"file_reference_browse_cancel",
       {"the browser answers its file dialog in real time, so on a busy machine after the last frame", kMayMatch}},
      {"file_reference_download_httperror_dns_error", {"needs a network host and a file dialog"}},
      {"file_reference_download_success", {"needs a network host and a file dialog"}},
      {"file_reference_upload_httperror_status_code", {"needs a network host and a file dialog"}},
      {"file_reference_upload_success", {"needs a network host and a file dialog"}},
      {"form_loader_encoding_3", {"decodes text in the system code page of the recording machine"}},
      {"load_vars",
       {"its loads of one file finish in the order the browser completes them, which on a busy machine is not the "
        "recorded order",
        kMayMatch}},
      {"loadmovie_replace_root", {"replaces _level0; the web player reports no trace from the new root"}},
      {"movieclip_default_state", {"traces its _url, which depends on where the movie is served from"}},
      {"placeobject_occupied_depth", {"the recorded log holds the player's warnings, which are not trace output"}},
      {"sandbox_type_local_network", {"traces its sandbox type, which depends on where the movie is served from"}},
      {"sandbox_type_remote", {"traces its sandbox type, which depends on where the movie is served from"}},
      {"sound_id3_prop",
       {"its ID3 tags arrive once the browser has decoded the sound, in real time, so on a busy machine after the last "
        "frame",
        kMayMatch}},
      {"stage_display_state", {"enters full screen, which a page may only do on a user's gesture"}},
      {"timer_run_actions", {"its interval timers fire after its last frame in the recorded run"}},
      {"uncaught_exception", {"the recorded log holds the player's warning about an uncaught exception"}},
      {"uncaught_exception_bubbled", {"the recorded log holds the player's warning about an uncaught exception"}},
  };
  return known;
}

DifferenceReport CompareWithKnownDifferences(const std::vector<PlayedMovie>& played,
                                             const std::map<std::string, PlaybackDifference>& known) {
  DifferenceReport report;
  for (const PlayedMovie& movie : played) {
    const auto entry = known.find(movie.name);
    const bool listed = entry != known.end();
    if (movie.difference.empty()) {
      ++report.matched;
      if (!listed) continue;
      ++report.knownMatched;
      if (!entry->second.mayMatch) {
        report.failures.push_back(movie.name +
                                  " now matches its recorded output; its entry among the known "
                                  "differences (" +
                                  entry->second.reason + ") is stale");
      }
    } else if (listed) {
      ++report.knownDiffer;
    } else {
      report.failures.push_back(movie.name + ": " + movie.difference);
    }
  }
  for (const auto& entry : known) {
    const bool wasPlayed =
        std::any_of(played.begin(), played.end(), [&](const PlayedMovie& movie) { return movie.name == entry.first; });
    if (!wasPlayed) {
      report.failures.push_back(entry.first +
                                " is listed among the known differences but was not played; its "
                                "entry is stale");
    }
  }
  return report;
}

}  // namespace corpusmovies
