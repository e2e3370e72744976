#include "director/cut_wait.hpp"
#include "plugin/rF2kovrel.hpp"

// Practice has no battles: a fresh car from the rotation at every cut, and
// the place on screen until then.
void rF2kovrel::ChoosePractice(const ScoringInfoV01& info) {
  if (WaitHasRunOut(*this)) {
    const int place = PickRandomPlace(info);
    if (place != 0) mNextPlace = place;
  } else {
    mNextPlace = mActualPlace;
  }
}
