// Scoring one candidate: every session played through the real plug-in with
// the candidate's settings, once per director seed, and the broadcasts
// analysed. Nothing is written but the settings file the plug-in reads.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "advise/search_space.hpp"
#include "analysis/analysis.hpp"
#include "sessions/session.hpp"

namespace ksim {

// A session to learn from: its name and a way to play it afresh.
struct AdviceSession {
  std::string name;
  std::string path;  // the results file it was read from
  std::function<std::unique_ptr<SessionSource>()> make;
  std::vector<double> strengths;  // its contact strengths, as its stream reports them
};

// What a candidate's broadcasts came to: sums over the sessions, means over
// the seeds.
struct Broadcast {
  double score = 0.0;              // mean over sessions and seeds
  std::vector<double> fileScores;  // per session, mean over seeds
  // Per seed and session (seed by seed, the sessions in order within each):
  // every candidate is played on the same seeds, so two candidates' runs pair up.
  std::vector<double> runScores;
  std::array<double, kEventKinds> live{}, replayed{}, count{};
  // Races of several classes: per class name, its events' credited weight,
  // their weight and how many were live (sums over sessions, means over seeds).
  struct ClassFigures {
    double shown = 0.0, total = 0.0, live = 0.0;
    double CreditShare() const { return total > 0.0 ? shown / total : 0.0; }
  };
  std::map<std::string, ClassFigures> classes;
  double replays = 0.0;            // replays run
  double hours = 0.0;              // of session
  double medianShot = 0.0;         // median live shot, seconds
  long long snapshots = 0;         // played in all, every seed
  double Live() const;
  double Replayed() const;
  double ReplaysPerHour() const { return hours > 0.0 ? replays / hours : 0.0; }
};

// How every candidate is played: the plug-in, the user's INI (for the keys
// not searched), the seeds, and a scratch folder for the settings file.
struct EvaluationSetup {
  std::string pluginPath;
  std::string settingsTemplate;
  std::vector<std::uint64_t> seeds;
  std::string workFolder;
};

// The folder the plug-in's stream files go to during a search: one inside a
// folder that does not exist, which the plug-in cannot create, so that each
// file's write is one failed open (the plug-in tries no more once it learns
// the folder is missing).
std::string AbsentFilesFolder(const std::string& workFolder);

// What scores candidates for a search: the worker processes, or a stand-in.
class CandidateScorer {
 public:
  using Done = std::function<void(std::size_t index, const Broadcast& broadcast)>;
  virtual ~CandidateScorer() = default;
  // Scores the candidates, in their order; `done` hears of each as it ends.
  virtual std::vector<Broadcast> Evaluate(const std::vector<Candidate>& candidates, const Done& done) = 0;
};

Broadcast EvaluateCandidate(const Candidate& candidate, const std::vector<AdviceSession>& sessions,
                            const EvaluationSetup& setup);

// One line of text each way between a search and its worker processes.
std::string CandidateLine(const Candidate& candidate);
Candidate ParseCandidateLine(const std::string& line);
std::string BroadcastLine(const Broadcast& b);
Broadcast ParseBroadcastLine(const std::string& line);

}  // namespace ksim
