// The simulator does not catch: an exception that unwinds out of a callback
// or an export ends its process (an allocation failure, a library call that
// throws). Each callback runs its work through one of these, which turn any
// exception into the callback's neutral answer. Locks the work holds are
// released by the unwinding itself.
#pragma once

#include <utility>

// Runs work(); when it throws, the call simply ends.
template <typename Work>
void RunGuarded(Work&& work) noexcept {
  try {
    std::forward<Work>(work)();
  } catch (...) {
  }
}

// Returns work()'s answer, or `neutral` when it throws.
template <typename Result, typename Work>
Result RunGuarded(Result neutral, Work&& work) noexcept {
  try {
    return std::forward<Work>(work)();
  } catch (...) {
    return neutral;
  }
}
