#include "webclient/worker.hpp"

#include <atomic>

namespace {

// Workers outlive the plug-in object by design, so their count cannot live in
// it; like the operating system's own list of threads it is process-wide.
std::atomic<int>& RunningWorkers() {
  static std::atomic<int> count{0};
  return count;
}

}  // namespace

int CountRunningWorkers() noexcept { return RunningWorkers().load(); }

void NoteWorkerStarting() noexcept { RunningWorkers().fetch_add(1); }

void NoteWorkerNotStarted() noexcept { RunningWorkers().fetch_sub(1); }

void RunWorkerFunction(WorkerFunction function, std::int32_t argument) noexcept {
  try {
    function(argument);
  } catch (...) {
    // Nothing may leave a thread: it would end the simulator's process.
  }
  RunningWorkers().fetch_sub(1);
}
