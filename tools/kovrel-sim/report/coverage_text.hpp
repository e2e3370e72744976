// The coverage block of the printed summary, and the words both reports use
// for an event and for what was on air instead.
#pragma once

#include <iosfwd>
#include <string>

#include "analysis/analysis.hpp"

namespace ksim {

// "overtakes", "lead changes", "contacts", "pit stops", "finishes".
const char* EventKindPlural(EventKind kind);
// "overtake", "lead change" ...: one of them.
const char* EventKindOne(EventKind kind);
// The moments a race is remembered for: a lead change, a heavy contact, the win.
bool Memorable(const Event& e);

// "#12 Anna Berg passes #7 Tom Parker for P5", "#3 Ola Nord against Immovable (2210)" ...
std::string DescribeEvent(const SessionRun& run, const Event& e);
// "#3 Ola Nord (battle 0.31 s)", "a replay of #7 Tom Parker", "automatic camera off" ...
std::string DescribeOnAir(const SessionRun& run, const OnAir& air);
// "shown 9 of 23 overtakes live, 1 in a replay; with hindsight at most 17"
std::string DescribeKind(EventKind kind, const KindCoverage& k);

void PrintCoverage(std::ostream& out, const SessionRun& run, const Coverage& coverage);

}  // namespace ksim
