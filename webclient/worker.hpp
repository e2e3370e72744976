// The worker seam: a short-lived detached thread for work that must not hold
// up the simulator's thread.
#pragma once

#include <cstdint>

using WorkerFunction = void (*)(std::int32_t);

// Starts a detached thread running function(argument). The thread holds only
// the argument, by value, and keeps this module's code loaded until the
// function has returned, so neither the plug-in object's destruction nor the
// library's unloading can pull anything from under it. False when no thread
// could be started: the work is then simply not done. Never throws.
bool StartWorker(WorkerFunction function, std::int32_t argument) noexcept;

// Workers started by this module whose function has not yet returned.
int CountRunningWorkers() noexcept;

// For the platform files: the count of running workers is taken before the
// thread is started, given back when it could not be, and the thread's body
// runs the function, swallows anything it throws and gives the count back.
void NoteWorkerStarting() noexcept;
void NoteWorkerNotStarted() noexcept;
void RunWorkerFunction(WorkerFunction function, std::int32_t argument) noexcept;
