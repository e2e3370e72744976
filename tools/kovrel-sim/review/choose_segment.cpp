// Which stretch of an appended-to log belongs to the session of a results
// file: the same session number, times that lie inside the session, and slot
// ids and driver names that the results file knows; of several broadcasts of
// the session, the latest unless another is asked for.
#include <algorithm>
#include <map>
#include <set>

#include "common/text.hpp"
#include "review/review.hpp"
#include "sessions/stream_lines.hpp"

namespace ksim {

namespace {

constexpr double kTimesFit = 0.9;   // share of a stretch's time span that must lie in the session
constexpr double kIdsKnown = 0.5;   // share of its on-air time on slot ids the results file names
constexpr double kNamesAgree = 0.5; // share of its incident lines' slot ids named as the results file names them

struct Fit {
  double times = 0.0;     // share of the stretch inside the session
  double covers = 0.0;    // share of the session the stretch spans
  double idsKnown = 1.0;
  double namesAgree = 1.0;
  int namesCompared = 0;
  bool Usable() const { return times >= kTimesFit && idsKnown >= kIdsKnown && namesAgree >= kNamesAgree; }
};

struct SessionNames {
  double end = 0.0;                               // the last stream line's time
  std::set<std::int32_t> ids;                     // every slot id the stream names
  std::map<std::int32_t, std::string> incidents;  // as its incident lines name them
};

SessionNames NamesOf(const RecordedSession& session) {
  SessionNames names;
  for (const RecordedLine& line : session.stream) {
    names.end = std::max(names.end, line.et);
    TimingPoint point;
    ContactReport contact;
    if (line.tag == "Score" && ParseTimingPoint(line.text, point)) names.ids.insert(point.id);
    if (line.tag == "Incident" && ParseContactLine(line.line, contact)) {
      names.ids.insert(contact.reporterId);
      names.incidents.emplace(contact.reporterId, contact.reporter);
      if (contact.withVehicle && contact.otherId >= 0) {
        names.ids.insert(contact.otherId);
        names.incidents.emplace(contact.otherId, contact.other);
      }
    }
  }
  for (const RecordedDriver& driver : session.drivers) {
    for (const RecordedLap& lap : driver.lapList) names.end = std::max(names.end, lap.start + std::max(0.0, lap.time));
  }
  return names;
}

Fit FitOf(const LogSegment& seg, const SessionNames& names) {
  Fit fit;
  const double span = std::max(1e-3, seg.last - seg.first);
  const double inside = std::max(0.0, std::min(seg.last, names.end + 5.0) - std::max(seg.first, 0.0));
  fit.times = seg.last - seg.first < 1e-3 ? (seg.first <= names.end + 5.0 ? 1.0 : 0.0) : std::min(1.0, inside / span);
  fit.covers = names.end > 0.0 ? std::min(1.0, inside / names.end) : 0.0;
  double known = 0.0, all = 0.0;
  for (const LoggedShot& shot : seg.shots) {
    if (shot.slotId < 0) continue;
    all += shot.end - shot.start;
    if (names.ids.count(shot.slotId) != 0) known += shot.end - shot.start;
  }
  if (all > 0.0) fit.idsKnown = known / all;
  int agree = 0;
  for (const auto& [id, name] : seg.names) {
    const auto there = names.incidents.find(id);
    if (there == names.incidents.end()) continue;
    ++fit.namesCompared;
    if (Trim(there->second) == Trim(name)) ++agree;
  }
  if (fit.namesCompared > 0) fit.namesAgree = static_cast<double>(agree) / fit.namesCompared;
  return fit;
}

std::string Describe(const LogSegment& seg) {
  return "lines " + std::to_string(seg.firstLine) + "-" + std::to_string(seg.lastLine) + " (session " +
         std::to_string(seg.session) + ", " + ClockText(seg.first) + " to " + ClockText(seg.last) + ")";
}

// Changes of car on the live picture, as the review counts cuts.
std::string CutsText(const LogSegment& seg) {
  int cuts = 0;
  std::int32_t onAir = -1;
  for (const LoggedShot& shot : seg.shots) {
    if (shot.replay || shot.slotId < 0 || shot.slotId == onAir) continue;
    ++cuts;
    onAir = shot.slotId;
  }
  return std::to_string(cuts) + (cuts == 1 ? " cut" : " cuts");
}

std::string Why(const Fit& fit) {
  if (fit.times < kTimesFit) return "its times lie outside the session (" + Fixed(100.0 * (1.0 - fit.times), 0) + "% of them)";
  if (fit.idsKnown < kIdsKnown) {
    return "the results file names none of the cars on air for " + Fixed(100.0 * (1.0 - fit.idsKnown), 0) + "% of its time";
  }
  return "its incident lines name other drivers (" + Fixed(100.0 * (1.0 - fit.namesAgree), 0) + "% of " +
         std::to_string(fit.namesCompared) + " slot ids)";
}

}  // namespace

const LogSegment& ChooseSegment(const DebugLog& log, const RecordedSession& session, double sessionEnd,
                                std::vector<std::string>& notes, int stretch) {
  if (log.stateLines == 0) {
    throw ReviewError("the log " + log.path + " holds no State line: the broadcast ran with debug=0 (or the "
                      "automatic camera never came on), so it does not say what was on air");
  }
  SessionNames names = NamesOf(session);
  names.end = std::max(names.end, sessionEnd);
  std::set<int> others;
  std::vector<std::pair<const LogSegment*, Fit>> same;
  for (const LogSegment& seg : log.segments) {
    if (seg.session != session.sessionNumber) {
      others.insert(seg.session);
      continue;
    }
    same.emplace_back(&seg, FitOf(seg, names));
  }
  if (same.empty()) {
    std::string list;
    for (int n : others) list += (list.empty() ? "" : ", ") + std::to_string(n);
    throw ReviewError("the log holds session number" + std::string(others.size() > 1 ? "s " : " ") + list +
                      " but not " + std::to_string(session.sessionNumber) + " (" + session.element + ") of " +
                      session.path + ": it is the log of another session");
  }
  const int count = static_cast<int>(same.size());
  if (stretch > count) {
    throw ReviewError("--stretch " + std::to_string(stretch) + ": the log holds " + std::to_string(count) +
                      " broadcast" + (count > 1 ? "s" : "") + " of session " + std::to_string(session.sessionNumber));
  }
  // A log is only appended to: the last broadcast that fits is the newest.
  int chosen = -1;
  if (stretch > 0) {
    chosen = stretch - 1;
    const Fit& fit = same[static_cast<std::size_t>(chosen)].second;
    if (!fit.Usable()) {
      throw ReviewError("--stretch " + std::to_string(stretch) + ", " + Describe(*same[static_cast<std::size_t>(chosen)].first) +
                        ", does not fit " + session.path + ": " + Why(fit));
    }
  } else {
    for (int i = count - 1; i >= 0 && chosen < 0; --i) {
      if (same[static_cast<std::size_t>(i)].second.Usable()) chosen = i;
    }
  }
  if (chosen < 0) {
    const auto& [seg, fit] = same.front();
    throw ReviewError("the log's " + std::to_string(count) + " stretch" + (count > 1 ? "es" : "") +
                      " of session " + std::to_string(session.sessionNumber) + " do not fit " + session.path +
                      " (a log of another day?): " + Describe(*seg) + ": " + Why(fit));
  }
  const auto& [best, bestFit] = same[static_cast<std::size_t>(chosen)];
  if (count == 1) {
    notes.push_back("took " + Describe(*best) + ", " + CutsText(*best) + ", covering " +
                    Fixed(100.0 * bestFit.covers, 0) + "% of the session");
  } else {
    notes.push_back("the log holds " + std::to_string(count) + " broadcasts of session " +
                    std::to_string(session.sessionNumber) + "; took stretch " + std::to_string(chosen + 1) + ", " +
                    (stretch > 0 ? std::string("as --stretch asked") : "the latest that fits the results file") +
                    " (--stretch N reviews another):");
    for (int i = 0; i < count; ++i) {
      const auto& [seg, fit] = same[static_cast<std::size_t>(i)];
      std::string line = "  " + std::string(i == chosen ? "* " : "  ") + std::to_string(i + 1) + ": " +
                         Describe(*seg) + ", " + CutsText(*seg) + ", covering " + Fixed(100.0 * fit.covers, 0) +
                         "% of the session";
      if (!fit.Usable()) line += "; does not fit: " + Why(fit);
      notes.push_back(line);
    }
  }
  if (!others.empty()) {
    std::string list;
    for (int n : others) list += (list.empty() ? "" : ", ") + std::to_string(n);
    notes.push_back("the log also holds session number" + std::string(others.size() > 1 ? "s " : " ") + list);
  }
  return *best;
}

}  // namespace ksim
