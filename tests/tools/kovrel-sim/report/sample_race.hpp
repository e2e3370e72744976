// A race as the runner leaves it and its coverage analysis, for the tests of
// the reports.
#pragma once

#include "analysis/analysis.hpp"
#include "record/run_record.hpp"

namespace ksim_test {

// Four cars (one named in markup, one in Latin-1), shots, a replay, two
// contacts, fights on air, the automatic camera off for a while.
ksim::RunResult ARace();

// Five events of ARace, one of each kind: a lead change shown live, a heavy
// contact shown in a replay, a missed overtake, a missed light contact and
// the win missed while the camera was off.
ksim::Coverage ItsCoverage();

}  // namespace ksim_test
