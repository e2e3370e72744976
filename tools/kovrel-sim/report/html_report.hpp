// The run as a page that opens in any browser without a network: the figures
// of the summary and a timeline of who was on air when, with the fights and
// the replays marked.
#pragma once

#include <string>

#include "record/run_record.hpp"

namespace ksim {

std::string HtmlReport(const RunResult& result, const std::string& title);

// Writes the page; throws std::runtime_error when the file cannot be written.
void WriteHtmlReport(const RunResult& result, const std::string& title, const std::string& path);

}  // namespace ksim
