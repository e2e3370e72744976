// The coverage analysis in the HTML report: the overview of a session (its
// score, the hindsight reference, each kind of event, the penalties) and the
// tables of its missed and of all its events.
#pragma once

#include <string>

#include "analysis/analysis.hpp"
#include "record/run_record.hpp"

namespace ksim {

// Green for live, blue for a replay, red for missed.
const char* VerdictColour(Verdict verdict);

// A class's colour in the report's tables, by its index (fastest first).
const char* ClassColour(int index);

// With a race of several classes, each class's table too.
std::string CoverageOverviewHtml(const Coverage& coverage);

// Every missed event, the memorable ones first, open; every event a click away.
std::string EventTablesHtml(const SessionRun& run, const Coverage& coverage);

// The event lane's legend, below the timeline.
std::string EventLegendHtml();

// The page's style for the above.
const char* CoverageStyle();

}  // namespace ksim
