#include "report/coverage_html.hpp"

#include <algorithm>
#include <sstream>
#include <vector>

#include "common/text.hpp"
#include "report/coverage_text.hpp"

namespace ksim {

const char* CoverageStyle() {
  return ".coverage{display:flex;flex-wrap:wrap;gap:8px 32px;align-items:flex-start;margin:8px 0 14px}\n"
         ".score{min-width:220px}.score .big{font-size:34px;font-weight:600}.score .ref{color:#555;font-size:13px}\n"
         ".meter{position:relative;width:220px;height:10px;background:#e3e6ea;border-radius:5px;margin:6px 0}\n"
         ".meter i{position:absolute;left:0;top:0;bottom:0;background:#2e9e4f;border-radius:5px}\n"
         ".meter b{position:absolute;top:-3px;bottom:-3px;width:2px;background:#111}\n"
         "td.live{color:#1d7a3a}td.late{color:#a86a00}td.replay{color:#2459b8}td.missed{color:#c62828;font-weight:600}\n"
         ".penalties{font-size:13px;color:#444;max-width:640px}\n"
         "i.swatch{display:inline-block;width:10px;height:10px;border-radius:2px;margin-right:6px;vertical-align:middle}\n"
         "table.events tr.key td{background:#fdecea}table.events tr.key td:first-child{border-left:4px solid #c62828}\n"
         ".verdict{display:inline-block;padding:0 6px;border-radius:3px;color:#fff;font-size:12px}\n"
         "details>summary{cursor:pointer;font-weight:600;margin:10px 0 6px}\n"
         ".legend b.mark{display:inline-block;width:3px;height:11px;margin-right:5px;vertical-align:middle}\n"
         ".legend b.diamond{display:inline-block;width:7px;height:7px;transform:rotate(45deg);margin-right:6px}\n"
         ".legend b.win{display:inline-block;width:14px;height:5px;opacity:.35;margin-right:5px;"
         "vertical-align:middle}\n";
}

const char* VerdictColour(Verdict verdict) {
  switch (verdict) {
    case Verdict::Live: return "#2e9e4f";
    case Verdict::Late: return "#d98e04";
    case Verdict::Replay: return "#2f6fd6";
    case Verdict::Missed: return "#d62828";
  }
  return "#888";
}

namespace {

std::string VerdictTag(const Event& e) {
  std::string text = VerdictName(e.verdict);
  text += " " + Fixed(100.0 * e.credit, 0) + "%";
  return "<span class=\"verdict\" style=\"background:" + std::string(VerdictColour(e.verdict)) + "\" title=\"credit " +
         Fixed(e.credit, 2) + ", live share " + Fixed(e.liveShare, 2) + "\">" + text +
         "</span>";
}

std::string KindsTable(const Coverage& c) {
  std::ostringstream out;
  out << "<table class=\"list\"><tr><th>Events</th><th>Count</th><th>Live</th><th>Late</th><th>Replay</th><th>Missed</th>"
         "<th title=\"how many a director who knew the session in advance showed live, planning for this kind alone and "
         "holding every shot 4 s\">With hindsight</th></tr>\n";
  for (int k = 0; k < kEventKinds; ++k) {
    const EventKind kind = static_cast<EventKind>(k);
    const KindCoverage& n = c.Of(kind);
    if (n.count == 0) continue;
    out << "<tr><td>" << EventKindPlural(kind);
    if (kind == EventKind::Contact) out << " (" << n.heavy << " heavy)";
    out << "</td><td>" << n.count << "</td><td class=\"live\">" << n.live << "</td><td class=\"late\">" << n.late
        << "</td><td class=\"replay\">" << n.replay << "</td><td class=\"missed\">" << n.missed << "</td><td>"
        << n.hindsight << "</td></tr>\n";
  }
  out << "<tr><td>weight</td><td>" << Fixed(c.totalWeight, 1) << "</td><td colspan=\"4\">credited "
      << Fixed(c.shownWeight, 1) << "</td><td>" << Fixed(c.hindsightWeight, 1) << "</td></tr>\n</table>\n";
  return out.str();
}

// Each class's race, fastest class first: its cars, its part of the live
// picture, its credit and its events live of found.
std::string ClassesTable(const Coverage& c) {
  if (c.byClass.empty()) return std::string();
  std::ostringstream out;
  out << "<table class=\"list classes\"><tr><th>Class</th><th>Cars</th><th title=\"share of the green-flag live "
         "picture on its cars\">On screen</th><th title=\"its events' credited weight over their weight\">Credit</th>"
         "<th>Events live of found</th></tr>\n";
  for (std::size_t i = 0; i < c.byClass.size(); ++i) {
    const ClassCoverage& cls = c.byClass[i];
    std::string kinds;
    for (int k = 0; k < kEventKinds; ++k) {
      const EventKind kind = static_cast<EventKind>(k);
      const KindCoverage& n = cls.Of(kind);
      if (n.count == 0) continue;
      kinds += (kinds.empty() ? "" : ", ") + std::string(EventKindPlural(kind)) + " " + std::to_string(n.live) + "/" +
               std::to_string(n.count);
      if (kind == EventKind::Contact) kinds += " (" + std::to_string(n.heavy) + " heavy)";
    }
    out << "<tr><td><i class=\"swatch\" style=\"background:" << ClassColour(static_cast<int>(i)) << "\"></i>"
        << HtmlText(cls.name) << "</td><td>" << cls.cars << "</td><td>" << Fixed(100.0 * cls.screenShare, 1)
        << "%</td><td>" << Fixed(cls.CreditShare(), 3) << "</td><td>" << HtmlText(kinds) << "</td></tr>\n";
  }
  out << "</table>\n";
  return out.str();
}

std::string PenaltiesText(const Penalties& p) {
  return "Penalties &minus;" + Fixed(p.Total(), 2) + ": shots under " + Fixed(kShortShotSeconds, 0) + " s " +
         std::to_string(p.shortShots) + " of " + std::to_string(p.liveShots) + " (&minus;" +
         Fixed(p.shortShotsPenalty, 2) + "), hurried " + Fixed(100.0 * p.hurriedShare, 0) + "% of the live seconds (&minus;" +
         Fixed(100.0 * p.pacingForfeit, 1) + "% of the credit), light replays " + std::to_string(p.lightReplays) + " of " +
         std::to_string(p.replays) + " (&minus;" + Fixed(p.lightReplayPenalty, 2) + "), repeated replays " +
         std::to_string(p.repeatedReplays) + " (&minus;" + Fixed(p.repeatPenalty, 2) + "), " +
         Fixed(p.replays / std::max(p.hours, 0.25), 1) + " replays an hour (&minus;" + Fixed(p.replayRatePenalty, 2) +
         ")";
}

void EventRow(std::ostringstream& out, const SessionRun& run, const Event& e, bool verdict) {
  out << "<tr" << (Memorable(e) && e.verdict == Verdict::Missed ? " class=\"key\"" : "") << "><td>"
      << ClockText(e.time) << "</td><td>" << EventKindName(e.kind) << "</td><td>"
      << HtmlText(DescribeEvent(run, e)) << "</td>";
  if (verdict) out << "<td>" << VerdictTag(e) << "</td>";
  out << "<td>" << (e.verdict == Verdict::Live ? std::string() : HtmlText(DescribeOnAir(run, e.instead)))
      << "</td><td>" << ClockText(e.momentStart) << "&ndash;" << ClockText(e.momentEnd) << "</td></tr>\n";
}

}  // namespace

const char* ClassColour(int index) {
  // Told apart at a glance and quiet beside the verdicts' colours.
  static const char* const kColours[] = {"#3b6fb6", "#d98c1f", "#4a9a5b", "#9b59b6", "#c0504d", "#5a8f9e"};
  return kColours[static_cast<std::size_t>(std::max(0, index)) % (sizeof kColours / sizeof kColours[0])];
}

std::string CoverageOverviewHtml(const Coverage& c) {
  const auto percent = [](double share) { return Fixed(100.0 * std::clamp(share, 0.0, 1.0), 1) + "%"; };
  std::ostringstream out;
  out << "<div class=\"coverage\">\n<div class=\"score\"><span class=\"big\">" << Fixed(c.score, 2)
      << "</span> coverage score<div class=\"meter\" title=\"score " << Fixed(c.score, 2)
      << "; the black mark: the hindsight reference\"><i style=\"width:" << percent(c.score)
      << "\"></i><b style=\"left:" << percent(c.reference) << "\"></b></div><span class=\"ref\">hindsight reference "
      << Fixed(c.reference, 2) << " (live at most " << Fixed(c.referenceBound, 2) << " holding 4 s shots) &middot; " << c.events.size() << " events</span></div>\n<div>"
      << KindsTable(c) << ClassesTable(c) << "<p class=\"penalties\">" << PenaltiesText(c.penalties) << "</p></div>\n</div>\n";
  return out.str();
}

std::string EventTablesHtml(const SessionRun& run, const Coverage& c) {
  std::vector<const Event*> missed;
  for (const Event& e : c.events) {
    // Traffic stays among all the events: worth a glance, rarely a story.
    if (e.verdict == Verdict::Missed && e.kind != EventKind::Traffic) missed.push_back(&e);
  }
  // The moments a race is remembered for first, each group in time order.
  std::stable_sort(missed.begin(), missed.end(),
                   [](const Event* a, const Event* b) { return Memorable(*a) && !Memorable(*b); });
  const auto memorable = std::count_if(missed.begin(), missed.end(), [](const Event* e) { return Memorable(*e); });
  std::ostringstream out;
  const char* head = "<table class=\"list events\"><tr><th>Time</th><th>Event</th><th>What happened</th>";
  const char* tail = "<th>On air instead</th><th>Moment</th></tr>\n";
  if (!missed.empty()) {
    out << "<details open><summary>Missed: " << missed.size() << " events, " << memorable
        << " of them a lead change, a heavy contact or the win</summary>\n"
        << head << tail;
    for (const Event* e : missed) EventRow(out, run, *e, false);
    out << "</table>\n</details>\n";
  }
  if (!c.events.empty()) {
    out << "<details><summary>All " << c.events.size() << " events</summary>\n" << head << "<th>Seen (credit)</th>" << tail;
    for (const Event& e : c.events) EventRow(out, run, e, true);
    out << "</table>\n</details>\n";
  }
  return out.str();
}

std::string EventLegendHtml() {
  std::ostringstream out;
  out << "<div class=\"legend\">";
  for (Verdict verdict : {Verdict::Live, Verdict::Late, Verdict::Replay, Verdict::Missed}) {
    out << "<span><b class=\"diamond\" style=\"background:" << VerdictColour(verdict) << "\"></b>event "
        << (verdict == Verdict::Live ? "seen live"
            : verdict == Verdict::Late ? "seen just after"
            : verdict == Verdict::Replay ? "seen in a replay" : "missed")
        << "</span>";
  }
  out << "<span><b class=\"win\" style=\"background:#555\"></b>its moment: the stretch in which it happened</span>"
      << "<span><b class=\"mark\" style=\"background:#555\"></b>taller marks: lead changes, heavy contacts, the win"
      << "</span></div>\n";
  return out.str();
}

}  // namespace ksim
