#include "report/coverage_text.hpp"

#include <array>
#include <cstdio>
#include <ostream>

#include "common/text.hpp"

namespace ksim {

namespace {

std::string Car(const SessionRun& run, int car) {
  if (car < 0 || car >= static_cast<int>(run.plan.cars.size())) return "(unknown car)";
  const CarEntry& entry = run.plan.cars[static_cast<std::size_t>(car)];
  return "#" + std::to_string(entry.id) + " " + ValidUtf8(entry.driver);
}

// "1:32.456", as timing screens show a lap.
std::string LapTimeText(double seconds) {
  if (seconds < 0.0) return "no time";
  const int minutes = static_cast<int>(seconds / 60.0);
  char text[32];
  std::snprintf(text, sizeof text, "%d:%06.3f", minutes, seconds - 60.0 * minutes);
  return text;
}

}  // namespace

const char* EventKindPlural(EventKind kind) {
  switch (kind) {
    case EventKind::Overtake: return "overtakes";
    case EventKind::LeadChange: return "lead changes";
    case EventKind::Contact: return "contacts";
    case EventKind::PitStop: return "pit stops";
    case EventKind::Finish: return "finishes";
    case EventKind::PoleLap: return "pole laps";
    case EventKind::ImprovingLap: return "improving laps";
    case EventKind::Traffic: return "passes in traffic";
    case EventKind::ClassLeadChange: return "class lead changes";
  }
  return "events";
}

const char* EventKindOne(EventKind kind) {
  switch (kind) {
    case EventKind::Overtake: return "overtake";
    case EventKind::LeadChange: return "lead change";
    case EventKind::Contact: return "contact";
    case EventKind::PitStop: return "pit stop";
    case EventKind::Finish: return "finish";
    case EventKind::PoleLap: return "pole lap";
    case EventKind::ImprovingLap: return "improving lap";
    case EventKind::Traffic: return "pass in traffic";
    case EventKind::ClassLeadChange: return "class lead change";
  }
  return "event";
}

bool Memorable(const Event& e) { return e.weight >= 2.0; }

std::string DescribeEvent(const SessionRun& run, const Event& e) {
  switch (e.kind) {
    case EventKind::Overtake:
    case EventKind::LeadChange:
    case EventKind::ClassLeadChange:
    case EventKind::Traffic:
      return Car(run, e.cars[0]) + " passes " + Car(run, e.cars[1]) + " for P" + std::to_string(e.place) +
             (e.kind == EventKind::Traffic ? std::string(" (another class)")
              : e.classPlace > 0 && e.classPlace != e.place ? ", class P" + std::to_string(e.classPlace)
                                                           : std::string());
    case EventKind::Contact: {
      std::string text = Car(run, e.cars[0]) + (e.cars.size() > 1 ? " and " + Car(run, e.cars[1]) : " against " + ValidUtf8(e.target));
      text += " (" + Fixed(e.strength, e.strength < 10.0 ? 2 : 0) + (e.heavy ? ", heavy: " + e.heavyReason : std::string()) + ")";
      return text;
    }
    case EventKind::PitStop: return Car(run, e.cars[0]) + " in the pits for " + Fixed(e.momentEnd - e.momentStart, 1) + " s";
    case EventKind::Finish:
      return Car(run, e.cars[0]) + " takes the flag, P" + std::to_string(e.place) +
             (e.classPlace > 0 && e.classPlace != e.place ? ", class P" + std::to_string(e.classPlace) : std::string());
    case EventKind::PoleLap:
      return Car(run, e.cars[0]) + " goes fastest" + (e.place != 1 ? std::string(" in the class") : std::string()) +
             ", " + LapTimeText(e.lapTime);
    case EventKind::ImprovingLap:
      return Car(run, e.cars[0]) + " improves to P" + std::to_string(e.place) +
             (e.classPlace > 0 && e.classPlace != e.place ? ", class P" + std::to_string(e.classPlace) : std::string()) +
             ", " + LapTimeText(e.lapTime);
  }
  return std::string();
}

std::string DescribeOnAir(const SessionRun& run, const OnAir& air) {
  if (air.autoOff) return "automatic camera off";
  if (air.car < 0) return "the simulator's own picture";
  if (air.replay) return "a replay of " + Car(run, air.car);
  // A review's log gives no reasons: none is shown rather than "unknown".
  if (air.reason == Reason::Unknown) return Car(run, air.car);
  return Car(run, air.car) + " (" + ReasonName(air.reason) + ")";
}

std::string DescribeKind(EventKind kind, const KindCoverage& k) {
  std::string text =
      "shown " + std::to_string(k.live) + " of " + std::to_string(k.count) + " " + EventKindPlural(kind) + " live";
  if (k.late > 0) text += ", " + std::to_string(k.late) + " late";
  if (k.replay > 0) text += ", " + std::to_string(k.replay) + " in a replay";
  text += "; with hindsight " + std::to_string(k.hindsight);
  if (kind == EventKind::Contact) text += " (" + std::to_string(k.heavy) + " heavy)";
  return text;
}

void PrintCoverage(std::ostream& out, const SessionRun& run, const Coverage& c) {
  const auto line = [&](const char* label, const std::string& text) {
    char head[32];
    std::snprintf(head, sizeof head, "  %-16s ", label);
    out << head << text << '\n';
  };
  line("coverage", "score " + Fixed(c.score, 2) + ", reference " + Fixed(c.reference, 2) +
                       " (the hindsight director; live at most " + Fixed(c.referenceBound, 2) + " holding 4 s shots); " +
                       std::to_string(c.events.size()) + " events of weight " + Fixed(c.totalWeight, 1) + ", credited " +
                       Fixed(c.shownWeight, 1) + ", with hindsight " + Fixed(c.hindsightWeight, 1));
  for (int k = 0; k < kEventKinds; ++k) {
    const KindCoverage& kind = c.kinds[static_cast<std::size_t>(k)];
    if (kind.count > 0) line(EventKindName(static_cast<EventKind>(k)), DescribeKind(static_cast<EventKind>(k), kind));
  }
  // Each class's race: its cars, its part of the picture, its credit, and its
  // events live of found.
  for (const ClassCoverage& cls : c.byClass) {
    std::string text = std::to_string(cls.cars) + " cars, " + Fixed(100.0 * cls.screenShare, 0) +
                       "% of the live picture, credit share " + Fixed(cls.CreditShare(), 3);
    for (int k = 0; k < kEventKinds; ++k) {
      const KindCoverage& kind = cls.kinds[static_cast<std::size_t>(k)];
      if (kind.count == 0) continue;
      text += "; " + std::string(EventKindName(static_cast<EventKind>(k))) + " " + std::to_string(kind.live) + "/" +
              std::to_string(kind.count) + " live";
      if (static_cast<EventKind>(k) == EventKind::Contact) text += " (" + std::to_string(kind.heavy) + " heavy)";
    }
    out << "  class " << ValidUtf8(cls.name) << ": " << text << '\n';
  }
  const Penalties& p = c.penalties;
  line("penalties", "-" + Fixed(p.Total(), 2) + ": shots under 4 s " + std::to_string(p.shortShots) + " of " +
                        std::to_string(p.liveShots) + " (-" + Fixed(p.shortShotsPenalty, 2) + "), hurried " +
                        Fixed(100.0 * p.hurriedShare, 0) + "% (-" + Fixed(100.0 * p.pacingForfeit, 1) +
                        "% of the credit), light replays " +
                        std::to_string(p.lightReplays) + " of " + std::to_string(p.replays) + " (-" +
                        Fixed(p.lightReplayPenalty, 2) + "), repeated " + std::to_string(p.repeatedReplays) + " (-" +
                        Fixed(p.repeatPenalty, 2) + "), " + Fixed(p.replays / std::max(p.hours, 0.25), 1) +
                        " replays an hour (-" + Fixed(p.replayRatePenalty, 2) + ")");
  std::array<int, kEventKinds> unlisted{};
  bool header = false;
  for (const Event& e : c.events) {
    // Traffic is listed in the report, never here.
    if (e.verdict != Verdict::Missed || e.kind == EventKind::Traffic) continue;
    // The moments a race is remembered for are listed; the rest counted.
    if (!Memorable(e)) {
      ++unlisted[static_cast<std::size_t>(e.kind)];
      continue;
    }
    if (!header) out << "  missed (what was on air instead):\n";
    header = true;
    char head[48];
    std::snprintf(head, sizeof head, "    %9s  %-11s ", ClockText(e.time).c_str(), EventKindName(e.kind));
    out << head << DescribeEvent(run, e) << "; on air: " << DescribeOnAir(run, e.instead) << '\n';
  }
  std::string rest;
  for (int k = 0; k < kEventKinds; ++k) {
    const int n = unlisted[static_cast<std::size_t>(k)];
    if (n > 0) {
      const std::string noun = n == 1 ? EventKindOne(static_cast<EventKind>(k)) : EventKindPlural(static_cast<EventKind>(k));
      rest += (rest.empty() ? "" : ", ") + std::to_string(n) + " " + noun;
    }
  }
  if (!rest.empty()) out << "  also missed: " << rest << " (every one is listed in the report)\n";
}

}  // namespace ksim
