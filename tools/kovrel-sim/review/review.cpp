// The review of a broadcast from its debug log: the stretch of the session,
// the rebuilt run, its coverage, and what the log leaves open.
#include "review/review.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <ostream>
#include <sstream>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "common/text.hpp"
#include "report/json_report.hpp"
#include "host/host.hpp"
#include "sessions/recorded_source.hpp"

namespace ksim {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The plug-in prints waitsec and onboarddiff on every State line and its
// incident thresholds on every scan line: those are what it ran with.
void TakeLoggedSettings(const LogSegment& seg, DirectorSettings& s, bool given, std::vector<std::string>& notes) {
  const auto take = [&](const char* name, auto& setting, auto logged) {
    if (logged < 0 || std::fabs(static_cast<double>(setting) - static_cast<double>(logged)) < 1e-9) return;
    if (given) {
      notes.push_back(std::string("the log shows ") + name + " " + Fixed(static_cast<double>(logged), 3) +
                      ", the settings file " + Fixed(static_cast<double>(setting), 3) + ": the log's value is used");
    }
    setting = static_cast<std::remove_reference_t<decltype(setting)>>(logged);
  };
  take("waitsec", s.waitsec, seg.waitsec);
  take("onboarddiff", s.onboarddiff, seg.onboarddiff);
  const bool moved = seg.firstLowinc >= 0.0 && (seg.firstLowinc != seg.lowinc || seg.firstHighinc != seg.highinc);
  if (moved) {
    // Automatic thresholds: the settings file's values are not what ran.
    notes.push_back("the contact thresholds moved during the stretch (automatic thresholds): lowinc " +
                    Fixed(seg.firstLowinc, 3) + " -> " + Fixed(seg.lowinc, 3) + ", highinc " + Fixed(seg.firstHighinc, 3) +
                    " -> " + Fixed(seg.highinc, 3) + " in force at its end");
    s.autoinc = 1;
  } else {
    take("lowinc", s.lowinc, seg.lowinc);
    take("highinc", s.highinc, seg.highinc);
  }
  s.lowincInForce = seg.lowinc >= 0.0 ? seg.lowinc : s.lowinc;
  s.highincInForce = seg.highinc >= 0.0 ? seg.highinc : s.highinc;
  s.known = true;
}

void NoteUnknownSlots(const LogSegment& seg, const SessionRun& run, Review& review) {
  std::map<std::int32_t, double> seconds;
  for (const LoggedShot& shot : seg.shots) {
    if (shot.slotId < 0) continue;
    const bool named = std::any_of(run.plan.cars.begin(), run.plan.cars.end(),
                                   [&](const CarEntry& c) { return c.id == shot.slotId; });
    if (!named) seconds[shot.slotId] += shot.end - shot.start;
  }
  for (const auto& [slot, time] : seconds) {
    review.unknownSlots.push_back(slot);
    review.unknownSeconds += time;
  }
}

bool Inside(const std::vector<TimeSpan>& spans, double t) {
  return std::any_of(spans.begin(), spans.end(), [&](const TimeSpan& s) { return t >= s.first && t < s.second; });
}

double Total(const std::vector<TimeSpan>& spans) {
  double total = 0.0;
  for (const TimeSpan& s : spans) total += s.second - s.first;
  return total;
}


}  // namespace

Review ReviewLog(const DebugLog& log, const RecordedSession& session, DirectorSettings settings, bool settingsGiven,
                 int stretch, ClassRule rule) {
  return ReviewLog(log, session, ReplaySession(session), std::move(settings), settingsGiven, stretch, rule);
}

Review ReviewLog(const DebugLog& log, const RecordedSession& session, std::unique_ptr<SessionSource> source,
                 DirectorSettings settings, bool settingsGiven, int stretch, ClassRule rule) {
  Review review;
  const LogSegment& seg = ChooseSegment(log, session, source->Plan().expectedDuration, review.notes, stretch);
  TakeLoggedSettings(seg, settings, settingsGiven, review.notes);
  // The field is played at the log's own snapshot rate, so that an event and
  // the State lines around it fall on the same snapshots.
  SessionRun run = RecordSession(*source, seg.interval > 0.0 ? 1.0 / seg.interval : 5.0);
  review.silent = FillRunFromLog(seg, settings, run);
  review.silentSeconds = Total(review.silent);
  review.offSeconds = Total(run.autoOff);
  NoteUnknownSlots(seg, run, review);
  if (log.brokenLines > 0) {
    review.notes.push_back(std::to_string(log.brokenLines) + " line(s) of the log could not be read and were left out");
  }
  if (log.truncatedEnd) review.notes.push_back("the log's last line has no line end (cut off while written)");

  review.coverage = AnalyseSession(run, settings, rule);
  for (std::size_t i = 0; i < review.coverage.events.size(); ++i) {
    if (Inside(review.silent, review.coverage.events[i].time)) review.silentEvents.push_back(i);
  }
  review.chosen = seg;
  review.chosen.shots.clear();
  review.chosen.replays.clear();
  RunResult& result = review.result;
  result.pluginName = "rF2kovrel (its debug log)";
  result.workFolder = FolderOf(log.path);
  result.filesFolder = FolderOf(log.path);
  result.settingsPath = settingsGiven ? "(the settings file given)" : "(the plug-in's defaults and the log's values)";
  result.settings = settings;
  result.snapshots = seg.states;
  result.wallSeconds = log.seconds;
  result.sessions.push_back(std::move(run));
  return review;
}

void PrintReviewNotes(std::ostream& out, const Review& review) {
  const SessionRun& run = review.result.sessions.front();
  const double length = std::max(1e-9, run.endTime);
  out << "== Review of " << review.result.workFolder << " against the session's results\n";
  for (const std::string& note : review.notes) out << "  " << note << '\n';
  out << "  the log covers " << Fixed(100.0 * (1.0 - (review.silentSeconds + review.offSeconds) / length), 0)
      << "% of " << ClockText(run.endTime) << " of session time; director off " << ClockText(review.offSeconds)
      << ", no record " << ClockText(review.silentSeconds);
  if (!review.silent.empty()) {
    out << " (";
    for (std::size_t i = 0; i < review.silent.size() && i < 5; ++i) {
      out << (i ? ", " : "") << ClockText(review.silent[i].first) << "-" << ClockText(review.silent[i].second);
    }
    if (review.silent.size() > 5) out << ", ...";
    out << ")";
  }
  out << '\n';
  if (!review.unknownSlots.empty()) {
    out << "  slot ids on air that the results file does not name:";
    for (std::int32_t slot : review.unknownSlots) out << ' ' << slot;
    out << " (" << ClockText(review.unknownSeconds) << " on air, counted as an unknown car)\n";
  }
  if (!review.silentEvents.empty()) {
    out << "  " << review.silentEvents.size()
        << " event(s) fell where the log says nothing: counted as missed, but what the stream showed then is not known\n";
  }
}

std::string ReviewJson(const Review& review) {
  // The run's own document, and what the log told and did not tell.
  nlohmann::json document = nlohmann::json::parse(JsonReport(review.result, {review.coverage}));
  const auto spans = [](const std::vector<TimeSpan>& list) {
    nlohmann::json out = nlohmann::json::array();
    for (const TimeSpan& span : list) out.push_back({{"from_s", span.first}, {"to_s", span.second}});
    return out;
  };
  const SessionRun& run = review.result.sessions.front();
  document["review"] = {{"log_session", review.chosen.session},
                        {"log_first_line", review.chosen.firstLine},
                        {"log_last_line", review.chosen.lastLine},
                        {"log_from_s", review.chosen.first},
                        {"log_to_s", review.chosen.last},
                        {"log_snapshots", review.chosen.states},
                        {"no_record", spans(review.silent)},
                        {"director_off", spans(run.autoOff)},
                        {"unknown_slot_ids", review.unknownSlots},
                        {"notes", nlohmann::json::array()}};
  for (const std::string& note : review.notes) document["review"]["notes"].push_back(ValidUtf8(note));
  nlohmann::json& events = document["sessions"][0]["events"];
  for (std::size_t i = 0; i < events.size(); ++i) {
    events[i]["no_record"] =
        std::find(review.silentEvents.begin(), review.silentEvents.end(), i) != review.silentEvents.end();
  }
  return document.dump(2) + "\n";
}

}  // namespace ksim
