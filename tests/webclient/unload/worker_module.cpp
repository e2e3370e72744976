// A library that starts workers the way the plug-in does, for the host in the
// unload test to load, use and unload.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "webclient/worker.hpp"

namespace {

// Outlives the host's dlclose, then writes one byte to the host's pipe.
void SleepThenSignal(std::int32_t pipeEnd) {
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const char signal = 'x';
  (void)::write(pipeEnd, &signal, 1);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int kovrel_test_start_sleeper(int pipeEnd) {
  return StartWorker(&SleepThenSignal, pipeEnd) ? 1 : 0;
}

extern "C" __attribute__((visibility("default"))) int kovrel_test_running_workers() {
  return CountRunningWorkers();
}
