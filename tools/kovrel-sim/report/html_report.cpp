#include "report/html_report.hpp"

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>

#include "common/replace_file.hpp"
#include "common/text.hpp"
#include "report/coverage_html.hpp"
#include "report/coverage_text.hpp"
#include "report/summary.hpp"

namespace ksim {

namespace {

const char* Colour(Reason reason) {
  switch (reason) {
    case Reason::Battle: return "#e4572e";
    case Reason::SideBySide: return "#f3a712";
    case Reason::PitLane: return "#8e44ad";
    case Reason::Random: return "#7f8c8d";
    case Reason::FlagChase: return "#2e7d32";
    case Reason::Leader: return "#1f77b4";
    case Reason::QualifyingSplit: return "#17a2b8";
    case Reason::NewLeader: return "#0b3d91";
    case Reason::Rotation: return "#6a994e";
    case Reason::GridWalk: return "#a0522d";
    case Reason::FinishWalk: return "#c71585";
    case Reason::AfterReplay: return "#b0b0b0";
    case Reason::CloserBattle: return "#ff8c42";
    case Reason::BestFight: return "#e0a030";
    case Reason::Contact: return "#d7263d";
    case Reason::ContactScene: return "#8b0000";
    case Reason::Unknown: return "#cfcfcf";
  }
  return "#cfcfcf";
}

constexpr const char* kReplayColour = "#ff5fa2";

std::string CarLabel(const SessionRun& run, int car) {
  if (car < 0) return "(unknown car)";
  const CarEntry& entry = run.plan.cars[static_cast<std::size_t>(car)];
  return "#" + std::to_string(entry.id) + " " + entry.driver;
}

class Svg {
 public:
  Svg(double end, int rows, int lanes) : mEnd(std::max(1.0, end)), mRows(rows), mLanes(lanes) {}

  static constexpr double kWidth = 1320.0, kLeft = 240.0, kRight = 16.0, kTop = 26.0;
  static constexpr double kLane = 14.0, kRow = 16.0;

  double X(double t) const { return kLeft + std::clamp(t / mEnd, 0.0, 1.0) * (kWidth - kLeft - kRight); }
  double LaneY(int lane) const { return kTop + lane * kLane; }
  double RowY(int row) const { return kTop + mLanes * kLane + 8.0 + row * kRow; }
  double Height() const { return RowY(mRows) + 22.0; }
  double End() const { return mEnd; }

  void Rect(double x0, double x1, double y, double h, const std::string& fill, const std::string& title,
            const std::string& extra = std::string()) {
    const double w = std::max(1.0, x1 - x0);
    mOut << "<rect x=\"" << Fixed(x0, 1) << "\" y=\"" << Fixed(y, 1) << "\" width=\"" << Fixed(w, 1)
         << "\" height=\"" << Fixed(h, 1) << "\" fill=\"" << fill << "\"" << extra << ">";
    if (!title.empty()) mOut << "<title>" << HtmlText(title) << "</title>";
    mOut << "</rect>\n";
  }
  std::ostringstream& Out() { return mOut; }

 private:
  double mEnd;
  int mRows;
  int mLanes;
  std::ostringstream mOut;
};

std::string EventTitle(const SessionRun& run, const Event& e) {
  std::string title = std::string(EventKindName(e.kind)) + " at " + ClockText(e.time) + ": " + DescribeEvent(run, e) +
                      "; " + VerdictName(e.verdict) + ", credit " + Fixed(e.credit, 2);
  if (e.verdict != Verdict::Live) title += "; on air: " + DescribeOnAir(run, e.instead);
  return title;
}

// The events in four lanes from `lane` on, live, late, replayed and missed:
// one mark per event at its time over a band for its moment, in the colour of
// its verdict; and a diamond on the row of each car involved, missed ones
// drawn last so that no other diamond hides one.
void DrawEvents(Svg& svg, const SessionRun& run, const Coverage& coverage, int lane, const std::vector<int>& rowOf) {
  std::ostringstream& out = svg.Out();
  const Verdict order[] = {Verdict::Live, Verdict::Late, Verdict::Replay, Verdict::Missed};
  for (int k = 0; k < 4; ++k) {
    const double top = svg.LaneY(lane + k);
    for (const Event& e : coverage.events) {
      if (e.verdict != order[k]) continue;
      svg.Rect(svg.X(e.momentStart), svg.X(e.momentEnd), top + Svg::kLane - 4, 3, VerdictColour(e.verdict), "",
               " opacity=\"0.3\"");
    }
    for (const Event& e : coverage.events) {
      if (e.verdict != order[k]) continue;
      const double x = svg.X(e.time);
      const bool tall = Memorable(e);
      svg.Rect(x - (tall ? 1.5 : 0.75), x + (tall ? 1.5 : 0.75), top + (tall ? 1.0 : 3.0), tall ? Svg::kLane - 2 : 8.0,
               VerdictColour(e.verdict), EventTitle(run, e));
    }
  }
  for (const Verdict verdict : order) {
    for (const Event& e : coverage.events) {
      if (e.verdict != verdict) continue;
      for (int car : e.cars) {
        if (car < 0 || static_cast<std::size_t>(car) >= rowOf.size() || rowOf[static_cast<std::size_t>(car)] < 0) {
          continue;
        }
        const double x = svg.X(e.time);
        const double y = svg.RowY(rowOf[static_cast<std::size_t>(car)]) + Svg::kRow / 2.0;
        out << "<path d=\"M" << Fixed(x, 1) << " " << Fixed(y - 4.0, 1) << " l3.5 4 l-3.5 4 l-3.5 -4 z\" fill=\""
            << VerdictColour(verdict) << "\" stroke=\"#fff\" stroke-width=\"1\"><title>" << HtmlText(EventTitle(run, e))
            << "</title></path>\n";
      }
    }
  }
}

std::string Timeline(const SessionRun& run, const DirectorSettings& settings, const Coverage* coverage) {
  const int rows = static_cast<int>(run.finalOrder.size());
  const bool autoLane = !run.autoOff.empty();
  const int eventLane = coverage == nullptr ? -1 : (autoLane ? 3 : 2);
  const int lanes = (autoLane ? 3 : 2) + (coverage == nullptr ? 0 : 4);
  Svg svg(run.endTime, rows, lanes);
  std::ostringstream& out = svg.Out();
  std::vector<int> rowOf(run.plan.cars.size(), -1);
  for (int row = 0; row < rows; ++row) {
    const int car = run.finalOrder[static_cast<std::size_t>(row)];
    if (car >= 0) rowOf[static_cast<std::size_t>(car)] = row;
  }

  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Svg::kWidth << "\" height=\""
      << Fixed(svg.Height(), 0) << "\" viewBox=\"0 0 " << Svg::kWidth << " " << Fixed(svg.Height(), 0)
      << "\" font-family=\"sans-serif\" font-size=\"11\">\n";
  out << "<defs><pattern id=\"replay\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" "
         "patternTransform=\"rotate(45)\"><rect width=\"3\" height=\"6\" fill=\""
      << kReplayColour << "\"/></pattern></defs>\n";

  // Row backgrounds and labels.
  for (int row = 0; row < rows; ++row) {
    const double y = svg.RowY(row);
    if (row % 2 == 0) svg.Rect(Svg::kLeft, Svg::kWidth - Svg::kRight, y, Svg::kRow, "#f3f4f6", "");
    const int car = run.finalOrder[static_cast<std::size_t>(row)];
    out << "<text x=\"" << Svg::kLeft - 6 << "\" y=\"" << Fixed(y + 12, 1) << "\" text-anchor=\"end\">P"
        << row + 1 << " " << HtmlText(CarLabel(run, car).substr(0, 34)) << "</text>\n";
  }
  const char* laneNames[] = {"fight on air", "replays", "camera off"};
  const char* eventLaneNames[] = {"events seen live", "events seen late", "events in a replay", "events missed"};
  for (int lane = 0; lane < lanes; ++lane) {
    out << "<text x=\"" << Svg::kLeft - 6 << "\" y=\"" << Fixed(svg.LaneY(lane) + 11, 1)
        << "\" text-anchor=\"end\" font-style=\"italic\">"
        << (eventLane >= 0 && lane >= eventLane ? eventLaneNames[lane - eventLane] : laneNames[lane]) << "</text>\n";
    svg.Rect(Svg::kLeft, Svg::kWidth - Svg::kRight, svg.LaneY(lane) + 1, Svg::kLane - 2, "#fafafa", "");
  }

  // Time axis.
  const double steps[] = {30, 60, 120, 300, 600, 900, 1800, 3600, 7200};
  double step = steps[0];
  for (double s : steps) {
    step = s;
    if (svg.End() / s <= 14.0) break;
  }
  const double bottom = svg.RowY(rows);
  for (double t = 0.0; t <= svg.End() + 1e-6; t += step) {
    const double x = svg.X(t);
    out << "<line x1=\"" << Fixed(x, 1) << "\" y1=\"" << Svg::kTop - 4 << "\" x2=\"" << Fixed(x, 1) << "\" y2=\""
        << Fixed(bottom, 1) << "\" stroke=\"#d0d4da\" stroke-width=\"1\"/>\n";
    const std::string label = ClockText(t);
    out << "<text x=\"" << Fixed(x, 1) << "\" y=\"" << Svg::kTop - 8 << "\" text-anchor=\"middle\">"
        << label.substr(0, label.size() - 2) << "</text>\n";
  }
  if (run.greenStart >= 0.0) {
    out << "<line x1=\"" << Fixed(svg.X(run.greenStart), 1) << "\" y1=\"" << Svg::kTop << "\" x2=\""
        << Fixed(svg.X(run.greenStart), 1) << "\" y2=\"" << Fixed(bottom, 1)
        << "\" stroke=\"#2e7d32\" stroke-width=\"1.5\" stroke-dasharray=\"4 3\"><title>green flag "
        << ClockText(run.greenStart) << "</title></line>\n";
    out << "<line x1=\"" << Fixed(svg.X(run.greenEnd), 1) << "\" y1=\"" << Svg::kTop << "\" x2=\""
        << Fixed(svg.X(run.greenEnd), 1) << "\" y2=\"" << Fixed(bottom, 1)
        << "\" stroke=\"#111\" stroke-width=\"1.5\" stroke-dasharray=\"2 2\"><title>chequered flag "
        << ClockText(run.greenEnd) << "</title></line>\n";
  }

  // Replays across the whole field, then the lanes.
  for (const ReplayRun& replay : run.replays) {
    const double end = replay.ended >= 0.0 ? replay.ended : run.endTime;
    svg.Rect(svg.X(replay.pressed), svg.X(end), svg.LaneY(0) + Svg::kLane, bottom - svg.LaneY(0) - Svg::kLane,
             kReplayColour, "", " opacity=\"0.12\"");
    svg.Rect(svg.X(replay.pressed), svg.X(end), svg.LaneY(1) + 2, Svg::kLane - 4, kReplayColour,
             "replay " + ClockText(replay.pressed) + " to " + ClockText(end) + ": " + CarLabel(run, replay.car));
  }
  for (const auto& [from, to] : run.battleOnAir) {
    svg.Rect(svg.X(from), svg.X(to), svg.LaneY(0) + 2, Svg::kLane - 4, Colour(Reason::Battle),
             "a fight within " + Fixed(settings.onboarddiff, 2) + " s on air " + ClockText(from) + " to " +
                 ClockText(to));
  }
  if (autoLane) {
    for (const auto& [from, to] : run.autoOff) {
      svg.Rect(svg.X(from), svg.X(std::max(to, from)), svg.LaneY(2) + 2, Svg::kLane - 4, "#555",
               "automatic camera off " + ClockText(from) + " to " + ClockText(to));
    }
  }

  // Who was on air.
  for (const Shot& shot : run.shots) {
    if (shot.car < 0 || rowOf[static_cast<std::size_t>(shot.car)] < 0) continue;
    const double y = svg.RowY(rowOf[static_cast<std::size_t>(shot.car)]);
    const std::string when = ClockText(shot.start) + " to " + ClockText(shot.end);
    if (shot.replay) {
      svg.Rect(svg.X(shot.start), svg.X(shot.end), y + 2, Svg::kRow - 4, "url(#replay)",
               "replay of " + CarLabel(run, shot.car) + ", " + when);
    } else {
      svg.Rect(svg.X(shot.start), svg.X(shot.end), y + 2, Svg::kRow - 4, Colour(shot.reason),
               CarLabel(run, shot.car) + ", " + CameraName(shot.camera) + ", " + ReasonName(shot.reason) + ", " +
                   when);
    }
  }
  // Contacts: a dot on each car involved, a red triangle for those strong enough to replay.
  for (const Contact& contact : run.contacts) {
    const bool heavy = ReplayWorthy(contact, run.plan.sessionNumber, settings);
    for (int car : {contact.car, contact.other}) {
      if (car < 0 || rowOf[static_cast<std::size_t>(car)] < 0) continue;
      const double x = svg.X(contact.time);
      const double y = svg.RowY(rowOf[static_cast<std::size_t>(car)]);
      const std::string title = "contact " + Fixed(contact.strength, 2) + " at " + ClockText(contact.time) + ": " +
                                CarLabel(run, contact.car) + " with " +
                                (contact.other >= 0 ? CarLabel(run, contact.other) : contact.target);
      if (heavy) {
        out << "<path d=\"M" << Fixed(x, 1) << " " << Fixed(y + 2, 1) << " l4 7 l-8 0 z\" fill=\"#c00\" "
            << "stroke=\"#fff\" stroke-width=\"0.5\"><title>" << HtmlText(title) << "</title></path>\n";
      } else {
        out << "<circle cx=\"" << Fixed(x, 1) << "\" cy=\"" << Fixed(y + Svg::kRow - 3, 1)
            << "\" r=\"1.8\" fill=\"#333\"><title>" << HtmlText(title) << "</title></circle>\n";
      }
    }
  }
  if (coverage != nullptr) DrawEvents(svg, run, *coverage, eventLane, rowOf);
  out << "</svg>\n";
  return out.str();
}

std::string Legend(const SessionRun& run) {
  std::set<Reason> seen;
  for (const Shot& shot : run.shots) {
    if (shot.car >= 0 && !shot.replay) seen.insert(shot.reason);
  }
  std::ostringstream out;
  out << "<div class=\"legend\">";
  for (Reason reason : seen) {
    out << "<span><i style=\"background:" << Colour(reason) << "\"></i>" << ReasonName(reason) << "</span>";
  }
  out << "<span><i class=\"hatch\"></i>replay</span>"
      << "<span><b class=\"tri\"></b>contact at the replay thresholds</span>"
      << "<span><b class=\"dot\"></b>lighter contact</span></div>\n";
  return out.str();
}

void Figure(std::ostringstream& out, const std::string& label, const std::string& text) {
  out << "<tr><th>" << label << "</th><td>" << text << "</td></tr>\n";
}

std::string SessionSection(const RunResult& result, const SessionRun& run, const Coverage* coverage) {
  const SessionSummary s = Summarise(run, result.settings);
  std::ostringstream out;
  std::string title = SessionKindName(run.plan.kind);
  title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
  out << "<section>\n<h2>" << title << " at " << HtmlText(run.plan.trackName) << "</h2>\n";
  out << "<p class=\"facts\">" << run.plan.cars.size() << " cars";
  if (run.plan.kind == SessionKind::Race && run.plan.maxLaps < 2147483647) out << " &middot; " << run.plan.maxLaps << " laps";
  out << " &middot; " << ClockText(run.endTime) << " of session time &middot; " << run.snapshots
      << " snapshots</p>\n";
  if (coverage != nullptr) out << CoverageOverviewHtml(*coverage);
  out << "<table class=\"figures\">\n";
  Figure(out, "Cuts", std::to_string(s.cuts) + (run.repeatedCuts > 0 ? " (and " + std::to_string(run.repeatedCuts) +
                                                                           " repeated commands for the shot on air)"
                                                                     : std::string()));
  if (s.shotCount > 0) {
    Figure(out, "Shot length", "median " + Fixed(s.shotMedian, 1) + " s; middle 80% " + Fixed(s.shotLow, 1) + "&ndash;" +
                                   Fixed(s.shotHigh, 1) + " s; range " + Fixed(s.shotMin, 1) + "&ndash;" +
                                   Fixed(s.shotMax, 1) + " s");
  }
  std::string reasons;
  for (const auto& [reason, count] : s.reasons) {
    reasons += (reasons.empty() ? "" : ", ") + std::string(ReasonName(reason)) + " " + std::to_string(count);
  }
  Figure(out, "Reasons", reasons.empty() ? "&mdash;" : reasons);
  std::string cameras;
  for (const auto& [camera, count] : s.cameras) {
    cameras += (cameras.empty() ? "" : ", ") + CameraName(camera) + " " + std::to_string(count);
  }
  Figure(out, "Cameras", cameras.empty() ? "&mdash;" : cameras);
  if (run.plan.kind == SessionKind::Race && run.raceTime > 0.0) {
    Figure(out, "Fights on air",
           Fixed(100.0 * run.battleTime / run.raceTime, 0) + "% of " + ClockText(run.raceTime) +
               " of green-flag racing showed a fight within " + Fixed(result.settings.onboarddiff, 2) +
               " s (one was on track " + Fixed(100.0 * run.battleAvailable / run.raceTime, 0) + "% of the time)");
  }
  Figure(out, "Incidents", std::to_string(s.contacts) + " contacts seen, " + std::to_string(s.replayWorthy) +
                               " at the replay thresholds, " + std::to_string(s.replayWorthyReplayed) +
                               " of them replayed; " + std::to_string(s.replays) + " replays, " +
                               std::to_string(s.replaysComplete) + " with the full sequence");
  std::string never;
  for (int car : s.neverShown) never += (never.empty() ? "" : ", ") + HtmlText(CarLabel(run, car));
  Figure(out, "Never shown", never.empty() ? "nobody" : never);
  out << "</table>\n<div class=\"timeline\">\n" << Timeline(run, result.settings, coverage) << "</div>\n"
      << Legend(run);
  if (coverage != nullptr) out << EventLegendHtml() << EventTablesHtml(run, *coverage);

  // In a race of several classes each car's row wears its class's colour.
  const bool classed = coverage != nullptr && !coverage->byClass.empty();
  out << "<h3>Screen time</h3>\n<table class=\"list\"><tr><th>Place</th><th>Car</th>" << (classed ? "<th>Class</th>" : "")
      << "<th>Live</th><th>Share</th><th>Shots</th><th>Replays</th><th>Pit stops</th></tr>\n";
  const double covered = std::max(1e-9, s.covered);
  for (const ScreenTime& car : s.screen) {
    const auto place = std::find(run.finalOrder.begin(), run.finalOrder.end(), car.car) - run.finalOrder.begin() + 1;
    out << "<tr>";
    if (classed && car.car >= 0) {
      const int cls = coverage->classes.Of(car.car);
      out << "<td style=\"border-left:4px solid " << ClassColour(cls) << "\">" << place << "</td><td>"
          << HtmlText(CarLabel(run, car.car)) << "</td><td>" << HtmlText(coverage->classes.names[static_cast<std::size_t>(cls)])
          << "</td><td>";
    } else {
      out << "<td>" << place << "</td><td>" << HtmlText(CarLabel(run, car.car)) << "</td>" << (classed ? "<td></td>" : "")
          << "<td>";
    }
    out
        << ClockText(car.live) << "</td><td>" << Fixed(100.0 * car.live / covered, 1) << "%</td><td>" << car.shots
        << "</td><td>" << (car.replay > 0.0 ? ClockText(car.replay) : "") << "</td><td>"
        << (car.car >= 0 && static_cast<std::size_t>(car.car) < run.pitStops.size()
                ? run.pitStops[static_cast<std::size_t>(car.car)]
                : 0)
        << "</td></tr>\n";
  }
  out << "</table>\n";

  if (!run.replays.empty()) {
    out << "<h3>Replays</h3>\n<table class=\"list\"><tr><th>Pressed</th><th>Car</th><th>From</th>"
           "<th>Contact</th><th>Slow</th><th>Normal</th><th>Back to live</th></tr>\n";
    for (const ReplayRun& replay : run.replays) {
      const Contact* contact = ReplayedContact(run, replay, result.settings);
      out << "<tr><td>" << ClockText(replay.pressed) << "</td><td>" << HtmlText(CarLabel(run, replay.car))
          << "</td><td>" << (replay.cameraSet >= 0.0 ? ClockText(replay.seekTo) : "") << "</td><td>";
      if (contact != nullptr) {
        out << Fixed(contact->strength, 2) << " at " << ClockText(contact->time) << ", "
            << HtmlText(CarLabel(run, contact->car)) << " with "
            << HtmlText(contact->other >= 0 ? CarLabel(run, contact->other) : contact->target);
      }
      out << "</td><td>" << (replay.slowFrom >= 0.0 ? ClockText(replay.slowFrom) : "") << "</td><td>"
          << (replay.normalFrom >= 0.0 ? ClockText(replay.normalFrom) : "") << "</td><td>"
          << (replay.ended >= 0.0 ? ClockText(replay.ended) : "") << "</td></tr>\n";
    }
    out << "</table>\n";
  }
  out << "<details><summary>All " << run.cuts.size() << " cuts</summary>\n<table class=\"list\"><tr><th>Time</th>"
         "<th>Place</th><th>Car</th><th>Camera</th><th>Reason</th></tr>\n";
  for (const Cut& cut : run.cuts) {
    std::string reason = ReasonName(cut.why.reason);
    if (!cut.why.detail.empty()) reason += " " + cut.why.detail;
    if (cut.why.rearView) reason += ", rear view from the car ahead";
    if (cut.why.leaderInstead) reason += ", leader instead of place " + std::to_string(cut.why.place);
    out << "<tr><td>" << ClockText(cut.time) << "</td><td>" << cut.place << "</td><td>"
        << HtmlText(CarLabel(run, cut.car)) << "</td><td>" << CameraName(cut.camera) << "</td><td>"
        << HtmlText(reason) << "</td></tr>\n";
  }
  out << "</table>\n</details>\n</section>\n";
  return out.str();
}

}  // namespace

std::string HtmlReport(const RunResult& result, const std::string& title, const std::vector<Coverage>* coverage) {
  std::ostringstream out;
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" << HtmlText(title)
      << "</title>\n<style>\n"
         "body{font-family:system-ui,-apple-system,'Segoe UI',sans-serif;margin:24px;color:#1d2329;background:#fff}\n"
         "h1{font-size:22px;margin:0 0 4px}h2{font-size:18px;margin:28px 0 4px}h3{font-size:15px;margin:18px 0 6px}\n"
         ".facts{color:#555;margin:0 0 10px}table.figures th{text-align:left;padding:2px 14px 2px 0;"
         "vertical-align:top;white-space:nowrap}table.figures td{padding:2px 0}\n"
         "table.list{border-collapse:collapse;font-size:13px}table.list th,table.list td{border-bottom:1px solid #e3e6ea;"
         "padding:3px 10px;text-align:left}\n.timeline{overflow-x:auto;margin:12px 0 4px}\n"
         ".legend span{display:inline-block;margin:0 14px 4px 0;font-size:12px}\n"
         ".legend i{display:inline-block;width:14px;height:10px;margin-right:5px;vertical-align:middle}\n"
         ".legend i.hatch{background:repeating-linear-gradient(45deg,#ff5fa2 0 3px,transparent 3px 6px)}\n"
         ".legend b.tri{display:inline-block;width:0;height:0;border-left:5px solid transparent;border-right:5px solid "
         "transparent;border-bottom:8px solid #c00;margin-right:5px}\n"
         ".legend b.dot{display:inline-block;width:5px;height:5px;border-radius:3px;background:#333;margin-right:5px}\n"
         ".meta{color:#555;font-size:13px}\n"
      << CoverageStyle() << "</style>\n</head>\n<body>\n";
  out << "<h1>" << HtmlText(title) << "</h1>\n<p class=\"meta\">Plug-in: " << HtmlText(result.pluginName)
      << " &middot; settings: onboarddiff " << Fixed(result.settings.onboarddiff, 2) << " s, lowinc "
      << Fixed(result.settings.lowinc, 2) << ", highinc " << Fixed(result.settings.highinc, 2) << ", replays of "
      << result.settings.replayduration << " s from " << Fixed(result.settings.replayoffset, 1)
      << " s before the contact &middot; " << result.snapshots << " snapshots in " << Fixed(result.wallSeconds, 2)
      << " s";
  if (result.served) {
    out << " &middot; web server: " << result.focusRequests.size() << " focus requests, "
        << result.sessionInfoRequests << " session-info requests";
  }
  out << "</p>\n";
  for (const std::string& warning : result.warnings) out << "<p class=\"meta\">Note: " << HtmlText(warning) << "</p>\n";
  for (std::size_t i = 0; i < result.sessions.size(); ++i) {
    const Coverage* analysis = coverage != nullptr && i < coverage->size() ? &(*coverage)[i] : nullptr;
    out << SessionSection(result, result.sessions[i], analysis);
  }
  out << "</body>\n</html>\n";
  return out.str();
}

void WriteHtmlReport(const RunResult& result, const std::string& title, const std::string& path,
                     const std::vector<Coverage>* coverage) {
  ReplaceFile(path, HtmlReport(result, title, coverage), "the report");
}

}  // namespace ksim
