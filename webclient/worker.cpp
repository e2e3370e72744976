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

bool StartWorker(WorkerFunction function, std::int32_t argument) noexcept {
  WorkerCall call;
  call.single = function;
  call.first = argument;
  return StartWorkerCall(call);
}

bool StartWorker(PairWorkerFunction function, std::int32_t first, std::int32_t second) noexcept {
  WorkerCall call;
  call.pair = function;
  call.first = first;
  call.second = second;
  return StartWorkerCall(call);
}

void RunWorkerCall(const WorkerCall& call) noexcept {
  try {
    if (call.single != nullptr) call.single(call.first);
    if (call.pair != nullptr) call.pair(call.first, call.second);
  } catch (...) {
    // Nothing may leave a thread: it would end the simulator's process.
  }
  RunningWorkers().fetch_sub(1);
}
