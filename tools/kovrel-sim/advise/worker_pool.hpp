// Candidates scored in parallel: worker processes, each loading the plug-in
// for its own evaluations (forked once the sessions are decoded where the
// system can fork, so that each shares them as they are; elsewhere started
// afresh from this program, reading the files again). One job scores in this
// process. While workers run, an interrupt (Ctrl-C, a termination request)
// ends the search as an error, so that the caller still removes what it made.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <vector>

#include "advise/evaluation.hpp"
#include "advise/worker_link.hpp"

namespace ksim {

class WorkerPool : public CandidateScorer {
 public:
  // Throws std::runtime_error when a worker cannot be started.
  WorkerPool(const std::vector<AdviceSession>& sessions, const EvaluationSetup& setup, int jobs);
  ~WorkerPool() override;
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Throws std::runtime_error when a worker fails or stops.
  std::vector<Broadcast> Evaluate(const std::vector<Candidate>& candidates, const Done& done) override;

  int Jobs() const { return mJobs; }

 private:
  WorkerLaunch SpecFor(int index) const;

  const std::vector<AdviceSession>& mSessions;
  EvaluationSetup mSetup;
  int mJobs = 1;
  std::unique_ptr<WorkerLinks> mLinks;
};

// A worker's answer to a candidate line: "ok <broadcast>" or "error <message>".
std::string AnswerCandidate(const std::string& line, const std::vector<AdviceSession>& sessions,
                            const EvaluationSetup& setup);
// The hidden worker command's arguments for a worker scoring `sessions`
// (by their files) under `setup`.
std::vector<std::string> WorkerArguments(const std::vector<AdviceSession>& sessions, const EvaluationSetup& setup);
// A started worker's life: a candidate line in, its answer out, until the
// input ends.
void ServeCandidates(std::istream& in, std::ostream& out, const std::vector<AdviceSession>& sessions,
                     const EvaluationSetup& setup);

}  // namespace ksim
