#include <algorithm>

#include "check/check.hpp"
#include "sessions/results_file.hpp"
#include "sessions/stream_lines.hpp"

namespace ksim {

double StrongestContact(const RecordedSession& session) {
  double strongest = 0.0;
  for (const auto& line : session.stream) {
    ContactReport report;
    if (line.tag == "Incident" && ParseContactLine(line.line, report)) strongest = std::max(strongest, report.strength);
  }
  return strongest;
}

}  // namespace ksim
