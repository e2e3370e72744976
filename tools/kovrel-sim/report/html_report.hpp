// The run as a page that opens in any browser without a network: the figures
// of the summary and a timeline of who was on air when, with the fights and
// the replays marked; with a coverage analysis, its overview, the events on
// the timeline and the tables of what was missed.
#pragma once

#include <string>
#include <vector>

#include "analysis/analysis.hpp"
#include "record/run_record.hpp"

namespace ksim {

// `coverage`, when given, holds one analysis per session of the run.
std::string HtmlReport(const RunResult& result, const std::string& title,
                       const std::vector<Coverage>* coverage = nullptr);

// Writes the page whole or not at all; throws std::runtime_error when the
// file cannot be written.
void WriteHtmlReport(const RunResult& result, const std::string& title, const std::string& path,
                     const std::vector<Coverage>* coverage = nullptr);

}  // namespace ksim
