#include "report/summary.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "common/text.hpp"
#include "report/coverage_text.hpp"

namespace ksim {

namespace {

double Percentile(std::vector<double> sorted, double share) {
  if (sorted.empty()) return 0.0;
  const double position = share * static_cast<double>(sorted.size() - 1);
  const std::size_t low = static_cast<std::size_t>(std::floor(position));
  const std::size_t high = std::min(sorted.size() - 1, low + 1);
  const double w = position - static_cast<double>(low);
  return sorted[low] * (1.0 - w) + sorted[high] * w;
}

std::string CarName(const SessionRun& run, int car) {
  if (car < 0) return "(unknown car)";
  const CarEntry& entry = run.plan.cars[static_cast<std::size_t>(car)];
  return "#" + std::to_string(entry.id) + " " + ValidUtf8(entry.driver);
}

std::string Percent(double part, double whole) {
  if (whole <= 0.0) return "0%";
  return Fixed(100.0 * part / whole, 0) + "%";
}

}  // namespace

bool ReplayWorthy(const Contact& contact, int sessionNumber, const DirectorSettings& settings) {
  // A contact becomes the plug-in's candidate above lowinc; a candidate is
  // replayed from highinc on, or from lowinc on outside the races.
  return contact.strength > settings.lowinc &&
         (contact.strength >= settings.highinc || sessionNumber < settings.msessioninc);
}

const Contact* ReplayedContact(const SessionRun& run, const ReplayRun& replay, const DirectorSettings& settings) {
  if (replay.cameraSet < 0.0) return nullptr;
  const double incident = replay.seekTo + settings.replayoffset;
  const Contact* best = nullptr;
  for (const Contact& contact : run.contacts) {
    if (contact.time < incident - 0.35 || contact.time > incident + 0.1) continue;
    if (best == nullptr || std::fabs(contact.time - incident) < std::fabs(best->time - incident) ||
        (std::fabs(contact.time - best->time) < 1e-9 && contact.strength > best->strength)) {
      best = &contact;
    }
  }
  return best;
}

SessionSummary Summarise(const SessionRun& run, const DirectorSettings& settings) {
  SessionSummary s;
  s.cuts = static_cast<int>(run.cuts.size());
  for (const Cut& cut : run.cuts) {
    ++s.reasons[cut.why.reason];
    ++s.cameras[cut.camera];
  }
  std::vector<ScreenTime> screen(run.plan.cars.size());
  for (std::size_t i = 0; i < screen.size(); ++i) screen[i].car = static_cast<int>(i);
  std::vector<double> lengths;
  for (const Shot& shot : run.shots) {
    if (shot.car < 0) continue;
    const double length = shot.end - shot.start;
    ScreenTime& car = screen[static_cast<std::size_t>(shot.car)];
    if (shot.replay) {
      car.replay += length;
      s.replaySeconds += length;
      continue;
    }
    car.live += length;
    ++car.shots;
    s.covered += length;
    lengths.push_back(length);
  }
  std::sort(lengths.begin(), lengths.end());
  s.shotCount = static_cast<int>(lengths.size());
  if (!lengths.empty()) {
    s.shotMedian = Percentile(lengths, 0.5);
    s.shotLow = Percentile(lengths, 0.1);
    s.shotHigh = Percentile(lengths, 0.9);
    s.shotMin = lengths.front();
    s.shotMax = lengths.back();
  }
  for (const ScreenTime& car : screen) {
    if (car.live <= 0.0 && car.replay <= 0.0) s.neverShown.push_back(car.car);
  }
  std::stable_sort(screen.begin(), screen.end(),
                   [](const ScreenTime& a, const ScreenTime& b) { return a.live > b.live; });
  s.screen = screen;

  s.contacts = static_cast<int>(run.contacts.size());
  std::vector<const Contact*> replayed;
  for (const ReplayRun& replay : run.replays) {
    ++s.replays;
    if (replay.cameraSet >= 0.0 && replay.slowFrom >= 0.0 && replay.normalFrom >= 0.0 && replay.ended >= 0.0) {
      ++s.replaysComplete;
    }
    if (const Contact* contact = ReplayedContact(run, replay, settings)) replayed.push_back(contact);
  }
  for (const Contact& contact : run.contacts) {
    if (!ReplayWorthy(contact, run.plan.sessionNumber, settings)) continue;
    ++s.replayWorthy;
    if (std::find(replayed.begin(), replayed.end(), &contact) != replayed.end()) ++s.replayWorthyReplayed;
  }
  return s;
}

void PrintSummary(std::ostream& out, const RunResult& result, const std::string& reportPath,
                  const std::vector<Coverage>* coverage, const SummaryParts& parts) {
  const auto line = [&](const char* label, const std::string& text) {
    char head[32];
    std::snprintf(head, sizeof head, "  %-16s ", label);
    out << head << text << '\n';
  };
  for (std::size_t session = 0; session < result.sessions.size(); ++session) {
    const SessionRun& run = result.sessions[session];
    const SessionSummary s = Summarise(run, result.settings);
    out << "\n== Summary: " << SessionKindName(run.plan.kind) << " at " << ValidUtf8(run.plan.trackName) << ", "
        << run.plan.cars.size() << " cars, " << ClockText(run.endTime) << " of session time\n";
    line("cuts", std::to_string(s.cuts) + (run.repeatedCuts > 0 ? " (and " + std::to_string(run.repeatedCuts) +
                                                                     " repeated commands for the shot on air)"
                                                               : std::string()));
    if (s.shotCount > 0) {
      line("shot length", "median " + Fixed(s.shotMedian, 1) + " s, middle 80% " + Fixed(s.shotLow, 1) + "-" +
                              Fixed(s.shotHigh, 1) + " s, range " + Fixed(s.shotMin, 1) + "-" + Fixed(s.shotMax, 1) +
                              " s (" + std::to_string(s.shotCount) + " live shots)");
    }
    std::string reasons;
    for (const auto& [reason, count] : s.reasons) {
      if (reason == Reason::Unknown && !parts.unknownReasons) continue;
      reasons += (reasons.empty() ? "" : ", ") + std::string(ReasonName(reason)) + " " + std::to_string(count);
    }
    if (!reasons.empty()) line("reasons", reasons);
    std::string cameras;
    for (const auto& [camera, count] : s.cameras) {
      cameras += (cameras.empty() ? "" : ", ") + CameraName(camera) + " " + std::to_string(count);
    }
    if (!cameras.empty() && parts.cameras) line("cameras", cameras);
    if (run.plan.kind == SessionKind::Race && run.raceTime > 0.0) {
      line("battles on air", Percent(run.battleTime, run.raceTime) + " of " + ClockText(run.raceTime) +
                                 " of green-flag racing showed a fight within " +
                                 Fixed(result.settings.onboarddiff, 2) + " s (one was on track " +
                                 Percent(run.battleAvailable, run.raceTime) + " of the time)");
    }
    line("incidents", std::to_string(s.contacts) + " contacts seen, " + std::to_string(s.replayWorthy) +
                          " at the replay thresholds, " + std::to_string(s.replayWorthyReplayed) + " of them replayed; " +
                          std::to_string(s.replays) + " replays, " + std::to_string(s.replaysComplete) +
                          " with the full sequence");
    std::string never;
    for (int car : s.neverShown) never += (never.empty() ? "" : ", ") + CarName(run, car);
    if (coverage != nullptr && session < coverage->size()) PrintCoverage(out, run, (*coverage)[session]);
    line("never shown", never.empty() ? std::string("none") : never);
    out << "  screen time:\n";
    const double total = std::max(1e-9, s.covered);
    for (const ScreenTime& car : s.screen) {
      const auto place = std::find(run.finalOrder.begin(), run.finalOrder.end(), car.car) - run.finalOrder.begin() + 1;
      char row[200];
      std::snprintf(row, sizeof row, "    P%-3ld %-30s %9s %5s  %3d shots", static_cast<long>(place),
                    CarName(run, car.car).c_str(), ClockText(car.live).c_str(), Percent(car.live, total).c_str(),
                    car.shots);
      out << row;
      if (car.replay > 0.0) out << ", replays " << ClockText(car.replay);
      out << '\n';
    }
  }
  out << '\n';
  if (result.served) {
    line("web server", std::to_string(result.focusRequests.size()) + " focus requests, " +
                           std::to_string(result.sessionInfoRequests) + " session-info requests");
  }
  const double wall = std::max(1e-9, result.wallSeconds);
  const double host = std::max(1e-9, result.wallSeconds - result.scoringSeconds - result.callbackSeconds);
  if (parts.runFigures) {
    line("run", std::to_string(result.snapshots) + " snapshots in " + Fixed(result.wallSeconds, 2) + " s: " +
                  Fixed(static_cast<double>(result.snapshots) / wall, 0) + " snapshots/s (the host's own work " +
                  Fixed(static_cast<double>(result.snapshots) / host, 0) + "/s; the plug-in took " +
                  Fixed(result.scoringSeconds, 2) + " s in UpdateScoring, " + Fixed(result.callbackSeconds, 2) +
                  " s in its other callbacks)");
  }
  for (const std::string& warning : result.warnings) line("warning", warning);
  if (!reportPath.empty()) line("report", reportPath);
  if (parts.streamFiles) {
    line("stream files", (result.filesFolder.empty() ? std::string("(not known)") : result.filesFolder) +
                             " (time.txt, driver.txt, status.json, info.html)");
  }
  line("settings", result.settingsPath);
}

}  // namespace ksim
