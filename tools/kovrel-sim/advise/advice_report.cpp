#include "advise/advice_report.hpp"


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "common/replace_file.hpp"
#include "common/text.hpp"
#include "advise/paired_gain.hpp"
#include "report/coverage_text.hpp"

namespace ksim {

namespace {

struct Row {
  std::string label;
  std::size_t index;
};

std::vector<Row> TableRows(const SearchOutcome& outcome, bool userFile) {
  std::vector<Row> rows;
  if (userFile) rows.push_back({"your file", outcome.user});
  rows.push_back({"defaults", outcome.defaults});
  const std::size_t start = userFile ? outcome.user : outcome.defaults;
  rows.push_back({outcome.best == start ? (userFile ? "recommended: keep your file" : "recommended: keep the defaults")
                                        : "recommended",
                  outcome.best});
  std::vector<std::size_t> others;
  for (std::size_t i = 0; i < outcome.evaluated.size(); ++i) {
    if (i != outcome.best && i != outcome.defaults && i != outcome.user && outcome.evaluated[i].honoursFixes) {
      others.push_back(i);
    }
  }
  std::stable_sort(others.begin(), others.end(), [&](std::size_t a, std::size_t b) {
    return outcome.evaluated[a].broadcast.score > outcome.evaluated[b].broadcast.score;
  });
  for (std::size_t n = 0; n < others.size() && n < 4; ++n) rows.push_back({"also tried", others[n]});
  return rows;
}

// What sets a candidate apart from the recommendation, for the table.
std::string Difference(const Candidate& candidate, const Candidate& best) {
  std::string text;
  for (const auto& [key, value] : candidate) {
    if (best.at(key) != value) text += (text.empty() ? "" : ", ") + key + " " + value;
  }
  return text.empty() ? "the same" : text;
}

std::string Signed(double value, int decimals) { return (value >= 0.0 ? "+" : "") + Fixed(value, decimals); }

const char* KindLabel(int kind) { return EventKindPlural(static_cast<EventKind>(kind)); }

std::string GainText(double gain, double se) {
  return "paired gain " + Signed(gain, 3) + " (SE " + (std::isfinite(se) ? Fixed(se, 3) : std::string("unknown")) + ")";
}

void AddDelta(KeyChange& change, const Broadcast& before, const Broadcast& after) {
  const PairedGain gain = PairedGainOf(after, before);
  change.gain += gain.mean;
  change.gainSe = std::sqrt(change.gainSe * change.gainSe + gain.se * gain.se);
  change.score += after.score - before.score;
  change.live += after.Live() - before.Live();
  change.replayed += after.Replayed() - before.Replayed();
  change.perHour += after.ReplaysPerHour() - before.ReplaysPerHour();
  change.medianShot += after.medianShot - before.medianShot;
  for (std::size_t k = 0; k < change.kindLive.size(); ++k) {
    change.kindLive[k] += after.live[k] - before.live[k];
    change.kindReplayed[k] += after.replayed[k] - before.replayed[k];
  }
  change.measured = true;
}

std::string Bought(const KeyChange& c) {
  if (std::fabs(c.score) < 0.0005 && (c.note.key == "lowinc" || c.note.key == "highinc")) {
    return "the same score, and a value from the files' own contact strengths in place of one off their scale";
  }
  return GainText(c.gain, c.gainSe) + ": score " + Signed(c.score, 3) + ", events live " + Signed(c.live, 1) + ", in replay " +
         Signed(c.replayed, 1) + ", replays per race hour " + Signed(c.perHour, 1) + ", median shot " +
         Signed(c.medianShot, 1) + " s";
}


std::string ChartSvg(const SearchOutcome& outcome) {
  constexpr double kWidth = 640, kHeight = 360, kLeft = 56, kBottom = 40, kTop = 16, kRight = 16;
  double maxRate = 1.0, minScore = 1.0, maxScore = 0.0;
  for (const Evaluated& e : outcome.evaluated) {
    maxRate = std::max(maxRate, e.broadcast.ReplaysPerHour());
    minScore = std::min(minScore, e.broadcast.score);
    maxScore = std::max(maxScore, e.broadcast.score);
  }
  minScore = std::max(0.0, std::floor(minScore * 20.0 - 1.0) / 20.0);
  maxScore = std::min(1.0, std::ceil(maxScore * 20.0 + 1.0) / 20.0);
  maxRate = std::ceil(maxRate * 1.05);
  const auto x = [&](double rate) { return kLeft + (kWidth - kLeft - kRight) * rate / maxRate; };
  const auto y = [&](double score) {
    return kHeight - kBottom - (kHeight - kBottom - kTop) * (score - minScore) / std::max(1e-9, maxScore - minScore);
  };
  std::ostringstream svg;
  svg << "<svg xmlns='http://www.w3.org/2000/svg' width='" << kWidth << "' height='" << kHeight
      << "' font-family='sans-serif' font-size='11'>";
  svg << "<rect x='" << kLeft << "' y='" << kTop << "' width='" << kWidth - kLeft - kRight << "' height='"
      << kHeight - kBottom - kTop << "' fill='#fafafa' stroke='#999'/>";
  for (int i = 0; i <= 4; ++i) {
    const double score = minScore + (maxScore - minScore) * i / 4.0;
    const double rate = maxRate * i / 4.0;
    svg << "<text x='" << kLeft - 6 << "' y='" << y(score) + 4 << "' text-anchor='end'>" << Fixed(score, 2) << "</text>";
    svg << "<text x='" << x(rate) << "' y='" << kHeight - kBottom + 14 << "' text-anchor='middle'>" << Fixed(rate, 1)
        << "</text>";
  }
  svg << "<text x='" << (kWidth + kLeft) / 2 << "' y='" << kHeight - 6
      << "' text-anchor='middle'>replays per race hour</text>";
  svg << "<text x='14' y='" << (kHeight - kBottom) / 2 << "' transform='rotate(-90 14 " << (kHeight - kBottom) / 2
      << ")' text-anchor='middle'>score</text>";
  for (std::size_t i = 0; i < outcome.evaluated.size(); ++i) {
    const Evaluated& e = outcome.evaluated[i];
    const char* fill = i == outcome.defaults ? "#1f77b4" : i == outcome.user ? "#2e7d32" : "#888";
    svg << "<circle cx='" << Fixed(x(e.broadcast.ReplaysPerHour()), 1) << "' cy='" << Fixed(y(e.broadcast.score), 1)
        << "' r='3.5' fill='" << fill << "' fill-opacity='0.7'><title>" << HtmlText(e.origin) << ": score "
        << Fixed(e.broadcast.score, 3) << "</title></circle>";
  }
  const Broadcast& best = outcome.evaluated[outcome.best].broadcast;
  svg << "<circle cx='" << Fixed(x(best.ReplaysPerHour()), 1) << "' cy='" << Fixed(y(best.score), 1)
      << "' r='8' fill='none' stroke='#d62728' stroke-width='2.5'/><text x='" << Fixed(x(best.ReplaysPerHour()) + 11, 1)
      << "' y='" << Fixed(y(best.score) - 8, 1) << "' fill='#d62728' font-weight='bold'>recommended</text>";
  svg << "</svg>";
  return svg.str();
}

}  // namespace

void PrintAdviceTable(std::ostream& out, const SearchOutcome& outcome, bool userFile) {
  char line[256];
  std::snprintf(line, sizeof line, "%-29s %6s %16s %8s %10s %10s %8s  %s\n", "", "score", "gain (SE)", "live",
                "in replay", "replays/h", "shot s", "settings");
  out << line;
  const Candidate& best = outcome.evaluated[outcome.best].candidate;
  const Broadcast& start = outcome.evaluated[userFile ? outcome.user : outcome.defaults].broadcast;
  for (const Row& row : TableRows(outcome, userFile)) {
    const Evaluated& e = outcome.evaluated[row.index];
    const Broadcast& b = e.broadcast;
    const PairedGain gain = PairedGainOf(b, start);
    const std::string gainText =
        Signed(gain.mean, 3) + " (" + (std::isfinite(gain.se) ? Fixed(gain.se, 3) : std::string("?")) + ")";
    std::snprintf(line, sizeof line, "%-29s %6.3f %16s %8.1f %10.1f %10.1f %8.1f  ", row.label.c_str(), b.score,
                  gainText.c_str(), b.Live(), b.Replayed(), b.ReplaysPerHour(), b.medianShot);
    out << line << (row.index == outcome.best ? "see the file written" : Difference(e.candidate, best)) << '\n';
  }
  // Races of several classes: what the advice changed in each class's race.
  const Broadcast& advised = outcome.evaluated[outcome.best].broadcast;
  for (const auto& [name, before] : start.classes) {
    const auto after = advised.classes.find(name);
    if (after == advised.classes.end()) continue;
    out << "  class " << ValidUtf8(name) << ": credit share " << Fixed(before.CreditShare(), 3) << " -> "
        << Fixed(after->second.CreditShare(), 3) << " (" << Signed(after->second.CreditShare() - before.CreditShare(), 3)
        << "), events live " << Fixed(before.live, 1) << " -> " << Fixed(after->second.live, 1) << '\n';
  }
  out << "gain: mean paired gain on " << (userFile ? "your file" : "the defaults")
      << " over the files and seeds, and its standard error; a change is advised only above " << Fixed(kSmallestGain, 3)
      << " and " << Fixed(kStandardErrors, 0) << " standard errors\n";
}

void PrintLeaveOneOut(std::ostream& out, const SearchOutcome& outcome, const std::vector<std::string>& names,
                      bool userFile) {
  const std::vector<std::size_t> chosen = LeaveOneOut(outcome);
  if (chosen.empty()) {
    out << "Leave-one-file-out check: one file only, so nothing could be checked; the advice is fitted to that "
           "race alone.\n";
    return;
  }
  out << "Leave-one-file-out check (each file scored with the best candidate by the other files alone):\n";
  for (std::size_t f = 0; f < chosen.size(); ++f) {
    const double learned = outcome.evaluated[chosen[f]].broadcast.fileScores[f];
    const double defaults = outcome.evaluated[outcome.defaults].broadcast.fileScores[f];
    out << "  " << names[f] << ": learned elsewhere " << Fixed(learned, 3) << ", defaults " << Fixed(defaults, 3);
    if (userFile) out << ", your file " << Fixed(outcome.evaluated[outcome.user].broadcast.fileScores[f], 3);
    out << ", advice " << Fixed(outcome.evaluated[outcome.best].broadcast.fileScores[f], 3) << '\n';
  }
}

std::vector<KeyChange> ChangesFrom(const SearchOutcome& outcome, const Candidate& start, const Candidate& fixed) {
  std::vector<KeyChange> changes;
  const Candidate& best = outcome.evaluated[outcome.best].candidate;
  for (const auto& [key, value] : best) {
    if (start.at(key) == value) continue;
    KeyChange change;
    change.note.key = key;
    change.note.was = start.at(key);
    change.to = value;
    for (const Step& step : outcome.steps) {
      if (step.key == key) AddDelta(change, outcome.evaluated[step.before].broadcast, outcome.evaluated[step.after].broadcast);
    }
    if (change.measured) {
      change.note.bought = Bought(change);
    } else if (fixed.count(key) != 0) {
      change.note.bought = "pinned with --fix";
    } else {
      change.note.bought = "the value of the start point that scored better as a whole";
    }
    changes.push_back(change);
  }
  std::stable_sort(changes.begin(), changes.end(), [](const KeyChange& a, const KeyChange& b) {
    if (a.measured != b.measured) return a.measured;
    return a.gain > b.gain;
  });
  return changes;
}

void WriteAdviceHtml(const std::string& path, const std::string& title, const SearchOutcome& outcome,
                     const std::vector<KeyChange>& changes, const std::vector<std::string>& names, bool userFile) {
  std::ostringstream html;
  html << "<!DOCTYPE html><html><head><meta charset='utf-8'><title>" << HtmlText(title)
       << "</title><style>body{font-family:sans-serif;margin:2em;color:#222}table{border-collapse:collapse;margin:1em "
          "0}td,th{border:1px solid #ccc;padding:3px 8px;text-align:right}td:first-child,th:first-child{text-align:"
          "left}.best{background:#fde8e8;font-weight:bold}</style></head><body>";
  html << "<h1>" << HtmlText(title) << "</h1><p>Learned from: ";
  for (std::size_t f = 0; f < names.size(); ++f) html << (f ? ", " : "") << HtmlText(names[f]);
  html << ". " << outcome.evaluated.size()
       << " candidates evaluated. Score: the coverage score (0 to 1), mean over the files and the director "
          "seeds.</p>";
  html << "<h2>Every candidate</h2><p>Blue: the plug-in's defaults; green: your file; red ring: the "
          "recommendation. Hover a point for its change.</p>"
       << ChartSvg(outcome);
  html << "<h2>The candidates that matter</h2><table><tr><th></th><th>score</th><th>paired gain (SE)</th><th>events "
          "live</th><th>in replay</th><th>replays per race hour</th><th>median shot, s</th></tr>";
  const Broadcast& start = outcome.evaluated[userFile ? outcome.user : outcome.defaults].broadcast;
  for (const Row& row : TableRows(outcome, userFile)) {
    const Broadcast& b = outcome.evaluated[row.index].broadcast;
    const PairedGain gain = PairedGainOf(b, start);
    html << "<tr" << (row.index == outcome.best ? " class='best'" : "") << "><td>" << HtmlText(row.label) << " ("
         << HtmlText(outcome.evaluated[row.index].origin) << ")</td><td>" << Fixed(b.score, 3) << "</td><td>"
         << Signed(gain.mean, 3) << " (" << (std::isfinite(gain.se) ? Fixed(gain.se, 3) : std::string("?"))
         << ")</td><td>"
         << Fixed(b.Live(), 1) << "</td><td>" << Fixed(b.Replayed(), 1) << "</td><td>" << Fixed(b.ReplaysPerHour(), 1)
         << "</td><td>" << Fixed(b.medianShot, 1) << "</td></tr>";
  }
  html << "</table><h2>What each changed key did to the broadcast</h2>";
  if (changes.empty()) html << "<p>Nothing changed: the starting settings scored best.</p>";
  for (const KeyChange& c : changes) {
    html << "<h3>" << HtmlText(c.note.key) << ": " << HtmlText(c.note.was) << " &rarr; " << HtmlText(c.to)
         << "</h3><p>" << HtmlText(c.note.bought) << "</p>";
    if (!c.measured) continue;
    html << "<table><tr><th>events</th><th>live</th><th>in replay</th></tr>";
    for (int k = 0; k < kEventKinds; ++k) {
      html << "<tr><td>" << KindLabel(k) << "</td><td>" << Signed(c.kindLive[static_cast<std::size_t>(k)], 1)
           << "</td><td>" << Signed(c.kindReplayed[static_cast<std::size_t>(k)], 1) << "</td></tr>";
    }
    html << "</table>";
  }
  const std::vector<std::size_t> chosen = LeaveOneOut(outcome);
  html << "<h2>Does it carry over?</h2>";
  if (chosen.empty()) {
    html << "<p>One file only: nothing could be checked.</p>";
  } else {
    html << "<table><tr><th>file</th><th>learned on the others</th><th>defaults</th>"
         << (userFile ? "<th>your file</th>" : "") << "<th>advice</th></tr>";
    for (std::size_t f = 0; f < chosen.size(); ++f) {
      html << "<tr><td>" << HtmlText(names[f]) << "</td><td>"
           << Fixed(outcome.evaluated[chosen[f]].broadcast.fileScores[f], 3) << "</td><td>"
           << Fixed(outcome.evaluated[outcome.defaults].broadcast.fileScores[f], 3) << "</td>";
      if (userFile) html << "<td>" << Fixed(outcome.evaluated[outcome.user].broadcast.fileScores[f], 3) << "</td>";
      html << "<td>" << Fixed(outcome.evaluated[outcome.best].broadcast.fileScores[f], 3) << "</td></tr>";
    }
    html << "</table>";
  }
  html << "</body></html>\n";
  ReplaceFile(path, html.str(), "the advice page");
}

}  // namespace ksim
