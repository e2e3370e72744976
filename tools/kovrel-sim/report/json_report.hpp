// The run as one JSON document for other programs: every session with its
// cars, its events and their verdicts, its coverage and direction figures,
// the settings the plug-in read and the run's own figures. The README lists
// every field with its unit.
#pragma once

#include <string>
#include <vector>

#include "analysis/analysis.hpp"
#include "record/run_record.hpp"

namespace ksim {

// `coverage` holds one analysis per session of the run, in the same order.
std::string JsonReport(const RunResult& result, const std::vector<Coverage>& coverage);

// Writes the document whole or not at all; throws std::runtime_error when the
// file cannot be written.
void WriteJsonReport(const RunResult& result, const std::vector<Coverage>& coverage, const std::string& path);

}  // namespace ksim
