// The choice routines' view of the wait after the last cut.
#pragma once

#include "plugin/rF2kovrel.hpp"

// The choices count the wait as run out once at least mCutWait seconds have
// passed; the cut itself (in the cycle) needs strictly more.
inline bool WaitHasRunOut(const rF2kovrel& director) {
  return director.mSessionTime - director.mLastCutTime >= director.mCutWait;
}
