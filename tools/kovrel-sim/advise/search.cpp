#include "advise/search.hpp"

#include "advise/paired_gain.hpp"

#include <algorithm>
#include <cstdlib>
#include <map>


namespace ksim {

namespace {

// Leave-one-out keeps a candidate over another for this much of summed score.
constexpr double kGain = 0.001;

// The contact thresholds are read from the sessions' own strengths: a start
// value off their scale by ten times or more (the plug-in's 0.4 and 0.8 on a
// current build's files) gives way to the best of them when that scores as well.
bool OffTheScale(const Knob& knob, const std::string& value) {
  if ((knob.key != "lowinc" && knob.key != "highinc") || knob.values.empty()) return false;
  const double number = std::strtod(value.c_str(), nullptr);
  const double lowest = std::strtod(knob.values.front().c_str(), nullptr);
  const double highest = std::strtod(knob.values.back().c_str(), nullptr);
  return number < lowest / 10.0 || number > highest * 10.0;
}

Candidate WithFixes(Candidate candidate, const Candidate& fixed) {
  for (const auto& [key, value] : fixed) candidate[key] = value;
  return candidate;
}

bool Honours(const Candidate& candidate, const Candidate& fixed) {
  for (const auto& [key, value] : fixed) {
    const auto it = candidate.find(key);
    if (it == candidate.end() || it->second != value) return false;
  }
  return true;
}

class Descent {
 public:
  Descent(const SearchInput& input, CandidateScorer& pool, const SearchProgress& progress)
      : mInput(input), mPool(pool), mProgress(progress), mBudget(std::max(2, input.budget)) {}

  SearchOutcome Run();

 private:
  struct Want {
    Candidate candidate;
    std::string origin;
  };
  // Scores the wants not yet seen, as far as the budget goes; the index of each want.
  std::vector<std::size_t> Score(const std::vector<Want>& wants);
  std::vector<std::string> ValuesToTry(const Knob& knob, const std::string& current, bool firstPass) const;
  bool TryKnob(const Knob& knob, bool firstPass);
  double ScoreOf(std::size_t i) const { return mOut.evaluated[i].broadcast.score; }

  const SearchInput& mInput;
  CandidateScorer& mPool;
  const SearchProgress& mProgress;
  int mBudget;
  SearchOutcome mOut;
  std::map<Candidate, std::size_t> mSeen;
  std::size_t mCurrent = 0;
  double mBest = 0.0;
};

std::vector<std::size_t> Descent::Score(const std::vector<Want>& wants) {
  std::vector<std::size_t> indices(wants.size(), static_cast<std::size_t>(-1));
  std::vector<Candidate> batch;
  std::vector<std::size_t> slots;
  for (std::size_t i = 0; i < wants.size(); ++i) {
    const auto seen = mSeen.find(wants[i].candidate);
    if (seen != mSeen.end()) {
      indices[i] = seen->second;
      continue;
    }
    if (static_cast<int>(mOut.evaluated.size() + batch.size()) >= mBudget) continue;
    const std::size_t index = mOut.evaluated.size() + batch.size();
    mSeen[wants[i].candidate] = index;
    indices[i] = index;
    batch.push_back(wants[i].candidate);
    slots.push_back(i);
  }
  const std::size_t first = mOut.evaluated.size();
  for (std::size_t b = 0; b < batch.size(); ++b) {
    Evaluated e;
    e.candidate = batch[b];
    e.origin = wants[slots[b]].origin;
    e.honoursFixes = Honours(batch[b], mInput.fixed);
    mOut.evaluated.push_back(e);
  }
  int done = static_cast<int>(first);
  mPool.Evaluate(batch, [&](std::size_t b, const Broadcast& broadcast) {
    Evaluated& e = mOut.evaluated[first + b];
    e.broadcast = broadcast;
    if (e.honoursFixes) mBest = std::max(mBest, broadcast.score);
    ++done;
    if (mProgress) mProgress(done, mBudget, mBest);
  });
  return indices;
}

std::vector<std::string> Descent::ValuesToTry(const Knob& knob, const std::string& current, bool firstPass) const {
  const auto at = std::find(knob.values.begin(), knob.values.end(), current);
  std::vector<std::string> values;
  if (firstPass || at == knob.values.end()) {
    for (const std::string& v : knob.values) {
      if (v != current) values.push_back(v);
    }
    return values;
  }
  if (at != knob.values.begin()) values.push_back(*(at - 1));
  if (at + 1 != knob.values.end()) values.push_back(*(at + 1));
  return values;
}

bool Descent::TryKnob(const Knob& knob, bool firstPass) {
  const Candidate current = mOut.evaluated[mCurrent].candidate;  // a copy: scoring grows the list
  std::vector<Want> wants;
  for (const std::string& value : ValuesToTry(knob, current.at(knob.key), firstPass)) {
    Candidate next = current;
    next[knob.key] = value;
    wants.push_back({next, knob.key + " " + value});
  }
  const std::vector<std::size_t> indices = Score(wants);
  // A change is kept only when it buys more than the seeds alone move the
  // score; of several such values, the one that buys most.
  std::size_t winner = mCurrent;
  double bought = 0.0;
  for (const std::size_t i : indices) {
    if (i == static_cast<std::size_t>(-1)) continue;
    const PairedGain gain = PairedGainOf(mOut.evaluated[i].broadcast, mOut.evaluated[mCurrent].broadcast);
    if (gain.Clear() && gain.mean > bought) {
      winner = i;
      bought = gain.mean;
    }
  }
  if (winner == mCurrent && OffTheScale(knob, current.at(knob.key))) {
    std::size_t own = mCurrent;
    for (const std::size_t i : indices) {
      if (i != static_cast<std::size_t>(-1) && (own == mCurrent || ScoreOf(i) > ScoreOf(own))) own = i;
    }
    if (own != mCurrent && ScoreOf(own) >= ScoreOf(mCurrent)) winner = own;
  }
  if (winner == mCurrent) return false;
  mOut.steps.push_back(Step{knob.key, current.at(knob.key), mOut.evaluated[winner].candidate.at(knob.key), mCurrent, winner});
  mCurrent = winner;
  return true;
}

SearchOutcome Descent::Run() {
  const Candidate defaults = DefaultCandidate();
  std::vector<Want> starts = {{defaults, "plug-in defaults"}};
  if (mInput.user) starts.push_back({*mInput.user, "your file"});
  if (!mInput.fixed.empty()) {
    starts.push_back({WithFixes(defaults, mInput.fixed), "defaults with --fix"});
    if (mInput.user) starts.push_back({WithFixes(*mInput.user, mInput.fixed), "your file with --fix"});
  }
  // The starts are scored whatever the budget: the table compares with them.
  mBudget = std::max<int>(mBudget, static_cast<int>(starts.size()));
  const std::vector<std::size_t> started = Score(starts);
  mOut.defaults = started[0];
  mOut.user = mInput.user ? started[1] : started[0];
  // Your file (with the pins) is where the search starts, failing that the
  // defaults; another start takes over only when it scores clearly better.
  bool found = false;
  for (const char* origin : {"your file", "your file with --fix", "plug-in defaults", "defaults with --fix"}) {
    for (std::size_t p = 0; p < starts.size() && !found; ++p) {
      if (starts[p].origin != origin || !mOut.evaluated[started[p]].honoursFixes) continue;
      mCurrent = started[p];
      found = true;
    }
  }
  const std::size_t preferred = mCurrent;
  double bought = 0.0;
  for (const std::size_t i : started) {
    if (!mOut.evaluated[i].honoursFixes || i == preferred) continue;
    const PairedGain gain = PairedGainOf(mOut.evaluated[i].broadcast, mOut.evaluated[preferred].broadcast);
    if (gain.Clear() && gain.mean > bought) {
      mCurrent = i;
      bought = gain.mean;
    }
  }
  for (bool firstPass = true; static_cast<int>(mOut.evaluated.size()) < mBudget; firstPass = false) {
    bool changed = false;
    for (const Knob& knob : mInput.knobs) {
      changed = TryKnob(knob, firstPass) || changed;
      if (static_cast<int>(mOut.evaluated.size()) >= mBudget) break;
    }
    if (!changed) break;
  }
  mOut.best = mCurrent;
  return mOut;
}

}  // namespace

std::vector<std::size_t> SearchOutcome::Eligible() const {
  std::vector<std::size_t> indices;
  for (std::size_t i = 0; i < evaluated.size(); ++i) {
    if (evaluated[i].honoursFixes) indices.push_back(i);
  }
  return indices;
}

SearchOutcome SearchSettings(const SearchInput& input, CandidateScorer& pool, const SearchProgress& progress) {
  return Descent(input, pool, progress).Run();
}

std::vector<std::size_t> LeaveOneOut(const SearchOutcome& outcome) {
  std::vector<std::size_t> chosen;
  const std::size_t files = outcome.evaluated.empty() ? 0 : outcome.evaluated[0].broadcast.fileScores.size();
  if (files < 2) return chosen;
  const std::vector<std::size_t> eligible = outcome.Eligible();
  for (std::size_t held = 0; held < files; ++held) {
    std::size_t best = eligible.front();
    double bestScore = -1.0;
    for (const std::size_t i : eligible) {
      double others = 0.0;
      const std::vector<double>& scores = outcome.evaluated[i].broadcast.fileScores;
      for (std::size_t f = 0; f < files; ++f) others += f == held ? 0.0 : scores[f];
      if (others > bestScore + kGain) {
        best = i;
        bestScore = others;
      }
    }
    chosen.push_back(best);
  }
  return chosen;
}

}  // namespace ksim
