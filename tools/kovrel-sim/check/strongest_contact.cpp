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

CheckContext ContextOfResults(const std::vector<std::string>& paths) {
  CheckContext context;
  for (const std::string& path : paths) AddResultsToContext(context, ReadResultsFile(path));
  return context;
}

void AddResultsToContext(CheckContext& context, const RecordedSession& session) {
  context.strongestContact = std::max({context.strongestContact, 0.0, StrongestContact(session)});
  context.files.push_back(ContactsOf(session));
  const std::vector<std::string> numbers = CarNumbersOf(session);
  context.carNumbers.insert(context.carNumbers.end(), numbers.begin(), numbers.end());
  context.carNumbersKnown = true;
}

std::string BuildsText(const CheckContext& context) {
  std::string text;
  for (const ResultsContacts& file : context.files) {
    text += (text.empty() ? "" : ", ") + BuildName(file) + " from " + file.file;
  }
  return text.empty() ? "an unknown build (no --results)" : text;
}

std::string DefaultThresholdsNote(const ResultsContacts& file) {
  if (file.strongest <= 1.5) return "";
  std::string note = "note: this file (" + BuildName(file) + ") reports contact strengths up to " + Figure(file.strongest) +
                     ", on the scale " + ScaleText(file.scale == ContactScale::Unknown ? ContactScale::Rfactor2 : file.scale) +
                     "; the plug-in's thresholds lowinc 0.4 and highinc 0.8 fit the old 0-1 scale, so nearly every "
                     "contact would be replayed. Raise them, ";
  double lowinc = 0.0, highinc = 0.0;
  if (file.scale == ContactScale::LeMansUltimate && file.race && ComfortableThresholds(file, lowinc, highinc)) {
    return note + "for example --set lowinc=" + TwoDigits(lowinc) + " --set highinc=" + TwoDigits(highinc) +
           " (about eight replays an hour of this race).";
  }
  if (file.scale == ContactScale::LeMansUltimate) {
    return note + "to a few thousand (check-ini with this file as --results suggests them for its race).";
  }
  return note + "for example --set lowinc=1000 --set highinc=2000.";
}

}  // namespace ksim
