// The search: coordinate descent from the user's file (the defaults without
// one, or whichever clearly scores better), one key at a time, every value of
// the key scored side by side (in parallel); once a pass over the keys is
// done, further passes try only the neighbours of the values chosen, until
// nothing gains above the noise (see paired_gain.hpp) or the budget of
// evaluations is spent.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "advise/evaluation.hpp"
#include "advise/search_space.hpp"

namespace ksim {


struct Evaluated {
  Candidate candidate;
  Broadcast broadcast;
  std::string origin;  // "plug-in defaults", "your file", "waitsec 10" ...
  bool honoursFixes = true;
};

// A change the descent kept: the candidate before it and after it.
struct Step {
  std::string key, from, to;
  std::size_t before = 0, after = 0;  // indices into the evaluated candidates
};

struct SearchInput {
  std::vector<Knob> knobs;
  std::optional<Candidate> user;  // the user's file, when given
  Candidate fixed;                // pinned by --fix
  int budget = 48;
};

struct SearchOutcome {
  std::vector<Evaluated> evaluated;  // in the order scored
  std::size_t defaults = 0;          // the plug-in's defaults as they are
  std::size_t user = 0;              // the user's file as it is (the defaults when none)
  std::size_t best = 0;              // the recommendation
  std::vector<Step> steps;
  // The evaluated candidates a recommendation may be: those with the pinned values.
  std::vector<std::size_t> Eligible() const;
};

// `done` hears after each evaluation: how many so far, the budget, the best score.
using SearchProgress = std::function<void(int done, int budget, double best)>;

SearchOutcome SearchSettings(const SearchInput& input, CandidateScorer& scorer, const SearchProgress& progress);

// For each session: the candidate, among those evaluated and eligible, that
// scores best over the other sessions alone. Empty with one session.
std::vector<std::size_t> LeaveOneOut(const SearchOutcome& outcome);

}  // namespace ksim
