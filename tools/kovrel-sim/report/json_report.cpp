#include "report/json_report.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "common/replace_file.hpp"
#include "common/text.hpp"
#include "report/coverage_text.hpp"
#include "report/summary.hpp"

namespace ksim {

namespace {

using nlohmann::json;

// Names as identifiers: "side by side" becomes "side_by_side".
std::string Identifier(const char* name) {
  std::string text = name;
  for (char& c : text) {
    if (c == ' ') c = '_';
  }
  return text;
}

// Session times to the millisecond: the clock's own steps are far coarser,
// and 201.1 reads better than 201.10000000000002.
double Seconds(double t) { return std::round(t * 1000.0) / 1000.0; }

bool KnownCar(const SessionRun& run, int car) { return car >= 0 && car < static_cast<int>(run.plan.cars.size()); }

json DriverOf(const SessionRun& run, int car) {
  return KnownCar(run, car) ? json(ValidUtf8(run.plan.cars[static_cast<std::size_t>(car)].driver)) : json();
}

json IdOf(const SessionRun& run, int car) {
  return KnownCar(run, car) ? json(run.plan.cars[static_cast<std::size_t>(car)].id) : json();
}

json CarsJson(const SessionRun& run) {
  json cars = json::array();
  for (std::size_t i = 0; i < run.plan.cars.size(); ++i) {
    const CarEntry& car = run.plan.cars[i];
    const auto place = std::find(run.finalOrder.begin(), run.finalOrder.end(), static_cast<int>(i));
    cars.push_back({{"id", car.id},
                    {"driver", ValidUtf8(car.driver)},
                    {"vehicle", ValidUtf8(car.vehicle)},
                    {"vehicle_class", ValidUtf8(car.vehicleClass)},
                    {"final_place", place == run.finalOrder.end() ? json() : json(place - run.finalOrder.begin() + 1)},
                    {"pit_stops", i < run.pitStops.size() ? run.pitStops[i] : 0}});
  }
  return cars;
}

json OnAirJson(const SessionRun& run, const OnAir& air) {
  return {{"car", DriverOf(run, air.car)},
          {"car_id", IdOf(run, air.car)},
          {"replay", air.replay},
          {"auto_off", air.autoOff},
          {"manual", air.manual},
          {"reason", Identifier(ReasonName(air.reason))},
          {"description", DescribeOnAir(run, air)}};
}

json EventJson(const SessionRun& run, const Coverage& c, const Event& e) {
  json cars = json::array(), ids = json::array();
  for (int car : e.cars) {
    cars.push_back(DriverOf(run, car));
    ids.push_back(IdOf(run, car));
  }
  const bool contact = e.kind == EventKind::Contact;
  const bool placed = e.kind != EventKind::Contact && e.kind != EventKind::PitStop;
  const bool classed = e.classIndex >= 0 && e.classIndex < c.classes.Count();
  return {{"kind", EventKindName(e.kind)},
          {"time", Seconds(e.time)},
          {"moment_start_s", Seconds(e.momentStart)},
          {"moment_end_s", Seconds(e.momentEnd)},
          {"cars", cars},
          {"car_ids", ids},
          {"description", DescribeEvent(run, e)},
          {"place", placed ? json(e.place) : json()},
          {"class", classed ? json(ValidUtf8(c.classes.names[static_cast<std::size_t>(e.classIndex)])) : json()},
          {"class_place", placed && e.kind != EventKind::Traffic ? json(e.classPlace) : json()},
          {"strength", contact ? json(e.strength) : json()},
          {"target", contact && !e.target.empty() ? json(ValidUtf8(e.target)) : json()},
          {"heavy", e.heavy},
          {"heavy_reason", e.heavy ? json(e.heavyReason) : json()},
          {"weight", e.weight},
          {"live_share", e.liveShare},
          {"credit", e.credit},
          {"verdict", VerdictName(e.verdict)},
          {"instead", e.verdict == Verdict::Live ? json() : OnAirJson(run, e.instead)}};
}

json KindJson(EventKind k, const KindCoverage& kind, bool hindsight) {
  json entry = {{"count", kind.count}, {"live", kind.live}, {"late", kind.late}, {"replay", kind.replay}, {"missed", kind.missed}};
  if (hindsight) entry["hindsight"] = kind.hindsight;
  if (k == EventKind::Contact) entry["heavy"] = kind.heavy;
  return entry;
}

json KindsJson(const std::array<KindCoverage, kEventKinds>& of, bool hindsight, bool withTraffic) {
  json kinds = json::object();
  for (int k = 0; k < kEventKinds; ++k) {
    const EventKind kind = static_cast<EventKind>(k);
    if (kind == EventKind::Traffic && !withTraffic) continue;
    kinds[EventKindName(kind)] = KindJson(kind, of[static_cast<std::size_t>(k)], hindsight);
  }
  return kinds;
}

// Keyed by each class's name as the file gives it; empty for one class.
json ClassesJson(const Coverage& c) {
  json classes = json::object();
  for (std::size_t i = 0; i < c.byClass.size(); ++i) {
    const ClassCoverage& cls = c.byClass[i];
    classes[ValidUtf8(cls.name)] = {{"pace_rank", i + 1},
                                    {"cars", cls.cars},
                                    {"screen_share", cls.screenShare},
                                    {"credit_share", cls.CreditShare()},
                                    {"total_weight", cls.totalWeight},
                                    {"shown_weight", cls.shownWeight},
                                    {"kinds", KindsJson(cls.kinds, false, false)}};
  }
  return classes;
}

json CoverageJson(const Coverage& c) {
  const json kinds = KindsJson(c.kinds, true, true);
  const Penalties& p = c.penalties;
  return {{"score", c.score},
          {"reference", c.reference},
          {"reference_bound", c.referenceBound},
          {"total_weight", c.totalWeight},
          {"shown_weight", c.shownWeight},
          {"hindsight_weight", c.hindsightWeight},
          {"bound_weight", c.boundWeight},
          {"kinds", kinds},
          {"classes", ClassesJson(c)},
          {"traffic", KindJson(EventKind::Traffic, c.Of(EventKind::Traffic), true)},
          {"penalties",
           {{"total", p.Total()},
            {"short_shots", p.shortShots},
            {"live_shots", p.liveShots},
            {"short_shots_penalty", p.shortShotsPenalty},
            {"hurried_share", p.hurriedShare},
            {"pacing_forfeit", p.pacingForfeit},
            {"replays", p.replays},
            {"light_replays", p.lightReplays},
            {"light_replay_penalty", p.lightReplayPenalty},
            {"repeated_replays", p.repeatedReplays},
            {"repeat_penalty", p.repeatPenalty},
            {"duration_h", p.hours},
            {"replay_rate_penalty", p.replayRatePenalty}}}};
}

// What went on air, shot by shot, and each replay's stretch of the session:
// enough to judge every event again from the file alone.
json ShotsJson(const SessionRun& run) {
  json shots = json::array();
  for (const Shot& shot : run.shots) {
    shots.push_back({{"start_s", Seconds(shot.start)},
                     {"end_s", Seconds(shot.end)},
                     {"car_id", IdOf(run, shot.car)},
                     {"camera", CameraName(shot.camera)},
                     {"reason", Identifier(ReasonName(shot.reason))},
                     {"replay", shot.replay},
                     {"manual", shot.manual}});
  }
  return shots;
}

json ReplaysJson(const SessionRun& run) {
  const auto time = [](double t) { return t >= 0.0 ? json(Seconds(t)) : json(); };
  json replays = json::array();
  for (const ReplayRun& replay : run.replays) {
    replays.push_back({{"car_id", IdOf(run, replay.car)},
                       {"shows_from_s", time(replay.shownFrom)},
                       {"shows_to_s", replay.shownFrom >= 0.0 ? time(replay.shownTo) : json()},
                       {"slow_from_s", time(replay.slowShownFrom)},
                       {"slow_to_s", replay.slowShownFrom >= 0.0 ? time(replay.slowShownTo) : json()},
                       {"manual", replay.manual}});
  }
  return replays;
}

json SessionJson(const SessionRun& run, const Coverage& coverage, const DirectorSettings& settings) {
  const SessionSummary s = Summarise(run, settings);
  json events = json::array();
  for (const Event& e : coverage.events) events.push_back(EventJson(run, coverage, e));
  // Under a manual shot: what viewers saw, not the director's to answer for.
  json manualEvents = json::array();
  for (const Event& e : coverage.manualEvents) manualEvents.push_back(EventJson(run, coverage, e));
  json neverShown = json::array();
  for (int car : s.neverShown) neverShown.push_back(IdOf(run, car));
  return {{"kind", SessionKindName(run.plan.kind)},
          {"session_number", run.plan.sessionNumber},
          {"track", ValidUtf8(run.plan.trackName)},
          {"track_length_m", run.plan.trackLength},
          {"cars", CarsJson(run)},
          {"duration_s", Seconds(run.endTime)},
          {"snapshots", run.snapshots},
          {"events", events},
          {"manual_events", manualEvents},
          {"coverage", CoverageJson(coverage)},
          {"shots", ShotsJson(run)},
          {"replays", ReplaysJson(run)},
          {"cuts", s.cuts},
          {"replay_count", s.replays},
          {"contacts", s.contacts},
          {"shot_count", s.shotCount},
          {"shot_median_s", s.shotCount > 0 ? json(s.shotMedian) : json()},
          {"never_shown", neverShown}};
}

json SettingsJson(const DirectorSettings& d) {
  return {{"known", d.known},         {"auto", d.autoOn},         {"autokey", d.autokey},
          {"waitsec", d.waitsec},     {"onboarddiff", d.onboarddiff}, {"lowinc", d.lowinc},
          {"highinc", d.highinc},     {"msessioninc", d.msessioninc}, {"sbscount", d.sbscount},
          {"onboardcam", d.onboardcam}, {"rearviewcam", d.rearviewcam}, {"replayduration", d.replayduration},
          {"replayoffset", d.replayoffset}, {"filespath", ValidUtf8(d.filespath)},
          {"livedirector", d.livedirector}, {"livemin", d.livemin}, {"liveswitch", d.liveswitch}, {"autoinc", d.autoinc},
          {"multiclass", d.multiclass},
          {"lowinc_in_force", d.lowincInForce}, {"highinc_in_force", d.highincInForce},
          {"holdkey", d.manualKeys[0]}, {"nextkey", d.manualKeys[1]}, {"prevkey", d.manualKeys[2]},
          {"leaderkey", d.manualKeys[3]}, {"replaykey", d.manualKeys[4]}, {"manualhold", d.manualhold},
          {"favourites", ValidUtf8(d.favourites)}, {"favourfactor", d.favourfactor}};
}

}  // namespace

std::string JsonReport(const RunResult& result, const std::vector<Coverage>& coverage) {
  if (coverage.size() != result.sessions.size()) {
    throw std::invalid_argument("the JSON export needs one coverage analysis per session");
  }
  json sessions = json::array();
  for (std::size_t i = 0; i < result.sessions.size(); ++i) {
    sessions.push_back(SessionJson(result.sessions[i], coverage[i], result.settings));
  }
  json warnings = json::array();
  for (const std::string& warning : result.warnings) warnings.push_back(ValidUtf8(warning));
  const json document = {
      {"sessions", sessions},
      {"settings", SettingsJson(result.settings)},
      {"run",
       {{"plugin", ValidUtf8(result.pluginName)},
        {"snapshots", result.snapshots},
        {"wall_s", result.wallSeconds},
        {"scoring_s", result.scoringSeconds},
        {"callbacks_s", result.callbackSeconds},
        {"served", result.served},
        {"focus_requests", result.focusRequests.size()},
        {"session_info_requests", result.sessionInfoRequests},
        {"warnings", warnings}}},
      {"director_seed", result.sessions.empty() ? 0 : result.sessions.front().directorSeed}};
  return document.dump(2) + "\n";
}

void WriteJsonReport(const RunResult& result, const std::vector<Coverage>& coverage, const std::string& path) {
  ReplaceFile(path, JsonReport(result, coverage), "the JSON export");
}

}  // namespace ksim
