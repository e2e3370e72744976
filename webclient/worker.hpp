// The worker seam: a short-lived detached thread for work that must not hold
// up the simulator's thread.
#pragma once

#include <cstdint>

using WorkerFunction = void (*)(std::int32_t);
// For work that needs a second value (the focus request: slot id and port).
using PairWorkerFunction = void (*)(std::int32_t, std::int32_t);

// Starts a detached thread running function(argument), or function(first,
// second). The thread holds only those values, by copy, and keeps this module's code loaded until the
// function has returned, so neither the plug-in object's destruction nor the
// library's unloading can pull anything from under it. False when no thread
// could be started: the work is then simply not done. Never throws.
bool StartWorker(WorkerFunction function, std::int32_t argument) noexcept;
bool StartWorker(PairWorkerFunction function, std::int32_t first, std::int32_t second) noexcept;

// Workers started by this module whose function has not yet returned.
int CountRunningWorkers() noexcept;

// What a worker runs: one of the two functions, with its values by copy.
struct WorkerCall {
  WorkerFunction single = nullptr;
  PairWorkerFunction pair = nullptr;
  std::int32_t first = 0;
  std::int32_t second = 0;
};

// For the platform files: StartWorkerCall starts the thread; the count of
// running workers is taken before the thread is started, given back when it
// could not be, and the thread's body runs the call, swallows anything it
// throws and gives the count back.
bool StartWorkerCall(const WorkerCall& call) noexcept;
void NoteWorkerStarting() noexcept;
void NoteWorkerNotStarted() noexcept;
void RunWorkerCall(const WorkerCall& call) noexcept;
