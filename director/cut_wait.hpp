// The choice routines' view of the wait after the last cut.
#pragma once

#include <cstdint>
#include <limits>

#include "plugin/rF2kovrel.hpp"

// The choices count the wait as run out once at least mCutWait seconds have
// passed; the cut itself (in the cycle) needs strictly more.
inline bool WaitHasRunOut(const rF2kovrel& director) {
  return director.mSessionTime - director.mLastCutTime >= director.mCutWait;
}

// `waitsec` plus a random draw of a few seconds. A `waitsec` near the top of
// its range stays there instead of wrapping round to a negative wait (which
// would cut on every snapshot).
inline std::int32_t WaitAfterCut(std::int32_t waitsec, int draw) {
  const std::int64_t wait = static_cast<std::int64_t>(waitsec) + draw;
  constexpr std::int64_t kLongest = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(wait > kLongest ? kLongest : wait);
}
