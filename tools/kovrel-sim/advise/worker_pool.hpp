// Candidates scored in parallel: worker processes forked once the sessions
// are decoded, so that each shares them as they are, each loading the plug-in
// for its own evaluations. One job scores in this process. While workers
// run, an interrupt (Ctrl-C, a termination request) ends the search as an
// error, so that the caller still removes what it made.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <functional>
#include <vector>

#include "advise/evaluation.hpp"

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
  struct Worker {
    pid_t pid = -1;
    int toWorker = -1;
    int fromWorker = -1;
    std::string pending;  // what it has answered so far of its current line
  };
  void Start(int index);
  void StopAll();

  void WatchInterrupts();
  void StopWatching();

  const std::vector<AdviceSession>& mSessions;
  EvaluationSetup mSetup;
  int mJobs = 1;
  std::vector<Worker> mWorkers;
  int mInterrupts = -1;  // a signalfd of the interrupts, held back meanwhile
  sigset_t mFormerMask{};
};

}  // namespace ksim
