// The advisor's worker processes as the system runs them: each started with
// what it needs to score candidates on its own, then fed one line at a time
// and answering one line each. While they run, an interrupt (Ctrl-C, a
// request to end) is caught and ends the wait as an error, so that the
// caller still removes what it made.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ksim {

struct WorkerLaunch {
  // A worker that is a copy of this process (where the system can fork)
  // answers each line with this.
  std::function<std::string(const std::string& line)> answer;
  // A worker started afresh from this program's file runs it with these
  // arguments (the hidden worker command).
  std::vector<std::string> arguments;
};

class WorkerLinks {
 public:
  // Starts a worker per launch description; throws std::runtime_error when one cannot start.
  explicit WorkerLinks(const std::vector<WorkerLaunch>& workers);
  // Ends the workers and waits for them.
  ~WorkerLinks();
  WorkerLinks(const WorkerLinks&) = delete;
  WorkerLinks& operator=(const WorkerLinks&) = delete;

  // False when the worker has gone.
  bool Send(std::size_t worker, const std::string& line);
  // The next whole line that a worker marked in `waiting` answered, without
  // its line end. Throws std::runtime_error at an interrupt ("interrupted")
  // and when one of them stopped.
  std::pair<std::size_t, std::string> Next(const std::vector<bool>& waiting);

  struct State;

 private:
  std::unique_ptr<State> mState;
};

// What Ctrl-C does while workers run; tests raise it themselves.
void RaiseInterrupt();

}  // namespace ksim
