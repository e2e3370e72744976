// What the user reads after a search: the table of the candidates that
// matter, the leave-one-file-out check, the notes for the INI, the HTML page.
#pragma once

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

#include "advise/advised_ini.hpp"
#include "advise/search.hpp"

namespace ksim {

// Your file, the defaults, the recommendation and the four best of the other
// candidates tried: score, its paired gain on the start, events live and in
// replay, replays per race hour, median shot.
void PrintAdviceTable(std::ostream& out, const SearchOutcome& outcome, bool userFile);

// Per session, the score of the candidate learned on the other sessions
// against the defaults and the user's file.
void PrintLeaveOneOut(std::ostream& out, const SearchOutcome& outcome, const std::vector<std::string>& names,
                      bool userFile);

// What changed, key by key, from `start` (the user's file or the defaults)
// to the recommendation, and what each change bought (summed over the
// descent's steps on that key), largest paired gain first.
struct KeyChange {
  KeyNote note;
  std::string to;
  double score = 0.0, live = 0.0, replayed = 0.0, perHour = 0.0, medianShot = 0.0;
  double gain = 0.0, gainSe = 0.0;  // paired over files and seeds; the steps' standard errors combined
  std::array<double, kEventKinds> kindLive{}, kindReplayed{};
  bool measured = false;  // false: pinned, or taken from the other start as a whole
};
std::vector<KeyChange> ChangesFrom(const SearchOutcome& outcome, const Candidate& start, const Candidate& fixed);

// The page: every candidate on a chart of score against replays per race
// hour (the recommendation marked), the table and the changes. Written to a
// temporary file and renamed; throws std::runtime_error when it cannot be.
void WriteAdviceHtml(const std::string& path, const std::string& title, const SearchOutcome& outcome,
                     const std::vector<KeyChange>& changes, const std::vector<std::string>& names, bool userFile);

}  // namespace ksim
