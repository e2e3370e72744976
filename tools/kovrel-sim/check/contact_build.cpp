// Which simulator build a results file comes from, and so on which scale its
// contact strengths lie: 0 to 1 on older rFactor 2 builds, about 1000 to
// 15000 on rFactor 2 1.11xx, and about 10 to 7600 car-to-car (median 190 to
// 330) on Le Mans Ultimate. The ranges of the last two overlap: the file's
// own word decides, and only without it the median car-to-car strength.
#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#include "check/check.hpp"
#include "sessions/results_file.hpp"
#include "sessions/stream_lines.hpp"

namespace ksim {

namespace {

// Strengths of older builds never pass 1.
constexpr double kOldScaleTop = 1.5;
// Between Le Mans Ultimate's medians (190 to 330) and rFactor 2 1.11xx's
// (about 1300), by ratio.
constexpr double kMedianBetweenScales = 650.0;
// A car-to-car contact is reported by each car, a tenth of a second or so
// apart; the plug-in takes reports of the same cars within this for one.
constexpr double kSameContactSeconds = 2.0;

double Median(const std::vector<double>& sorted) {
  if (sorted.empty()) return 0.0;
  const std::size_t n = sorted.size();
  return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The reports as the plug-in's replay rule meets them: the two reports of a
// contact are one, as strong as the stronger.
std::vector<ContactSeen> MergedContacts(const std::vector<ContactReport>& reports) {
  std::vector<ContactSeen> contacts;
  std::map<std::pair<std::int32_t, std::int32_t>, std::size_t> last;
  for (const ContactReport& r : reports) {
    const std::int32_t other = r.withVehicle ? r.otherId : -1;
    const auto key = std::minmax(r.reporterId, other);
    const auto found = last.find(key);
    if (found != last.end() && r.et - contacts[found->second].time <= kSameContactSeconds) {
      contacts[found->second].strength = std::max(contacts[found->second].strength, r.strength);
      continue;
    }
    last[key] = contacts.size();
    contacts.push_back({r.et, r.strength, r.withVehicle});
  }
  return contacts;
}

ContactScale ScaleOfBuild(const ResultsContacts& file) {
  if (file.strongest > 0.0 && file.strongest <= kOldScaleTop) return ContactScale::Old;
  if (file.game == "Le Mans Ultimate") return ContactScale::LeMansUltimate;
  if (file.game == "rFactor 2") return file.strongest > 0.0 ? ContactScale::Rfactor2 : ContactScale::Unknown;
  if (file.strongest <= 0.0) return ContactScale::Unknown;
  const std::vector<double>& measured = file.carToCar.empty() ? file.all : file.carToCar;
  return Median(measured) < kMedianBetweenScales ? ContactScale::LeMansUltimate : ContactScale::Rfactor2;
}

}  // namespace

std::string Figure(double value) {
  char text[32];
  std::snprintf(text, sizeof text, value >= 100.0 ? "%.0f" : "%.3g", value);
  return text;
}

std::string TwoDigits(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2g", value);
  std::snprintf(text, sizeof text, "%.10g", std::strtod(text, nullptr));
  return text;
}

double ResultsContacts::CarToCarMedian() const { return Median(carToCar); }

double ResultsContacts::CarToCarTopTenth() const {
  if (carToCar.empty()) return 0.0;
  return carToCar[static_cast<std::size_t>(std::floor(0.9 * static_cast<double>(carToCar.size() - 1)))];
}

ResultsContacts ContactsOf(const RecordedSession& session) {
  ResultsContacts file;
  file.file = FileName(session.path);
  file.game = session.game;
  file.gameVersion = session.gameVersion;
  file.race = session.kind == SessionKind::Race;
  for (const RecordedDriver& driver : session.drivers) file.hours = std::max(file.hours, driver.finishTime / 3600.0);
  if (file.hours <= 0.0) file.hours = session.minutes / 60.0;
  std::vector<ContactReport> replayable;
  for (const RecordedLine& line : session.stream) {
    ContactReport report;
    if (line.tag != "Incident" || !ParseContactLine(line.line, report)) continue;
    file.strongest = std::max(file.strongest, report.strength);
    file.all.push_back(report.strength);
    if (report.withVehicle) file.carToCar.push_back(report.strength);
    // The plug-in replays contacts with another car or with a wall.
    if (report.withVehicle || report.target == "Immovable") replayable.push_back(report);
  }
  std::sort(file.all.begin(), file.all.end());
  std::sort(file.carToCar.begin(), file.carToCar.end());
  file.contacts = MergedContacts(replayable);
  file.scale = ScaleOfBuild(file);
  file.scaleFromStrengths = file.game.empty() && file.scale != ContactScale::Old && file.scale != ContactScale::Unknown;
  return file;
}

bool ComfortableThresholds(const ResultsContacts& file, double& lowinc, double& highinc) {
  if (file.contacts.empty() || file.hours <= 0.0) return false;
  std::vector<double> strengths;
  for (const ContactSeen& contact : file.contacts) strengths.push_back(contact.strength);
  std::sort(strengths.begin(), strengths.end(), std::greater<double>());
  // At most that many an hour: the check flags more.
  const long wanted = static_cast<long>(std::floor(kComfortableReplaysPerHour * file.hours));
  const double last = strengths[static_cast<std::size_t>(std::clamp<long>(wanted, 1, static_cast<long>(strengths.size())) - 1)];
  // Down to two digits, so that the last of them still counts.
  const double unit = std::pow(10.0, std::floor(std::log10(last)) - 1.0);
  highinc = std::floor(last / unit) * unit;
  lowinc = std::strtod(TwoDigits(highinc / 2.0).c_str(), nullptr);
  return true;
}

std::string BuildName(const ResultsContacts& file) {
  const std::string version = file.gameVersion.empty() ? "" : " " + file.gameVersion;
  if (!file.game.empty()) return file.game + version;
  std::string name = file.gameVersion.empty() ? "a build the file does not name" : "build" + version;
  if (file.scaleFromStrengths) {
    name += std::string(", by its car-to-car median of ") + Figure(Median(file.carToCar.empty() ? file.all : file.carToCar)) +
            (file.scale == ContactScale::LeMansUltimate ? " Le Mans Ultimate" : " rFactor 2 1.11xx");
  }
  return name;
}

const char* ScaleText(ContactScale scale) {
  switch (scale) {
    case ContactScale::Unknown: return "unknown";
    case ContactScale::Old: return "0 to 1 (older rFactor 2 builds)";
    case ContactScale::Rfactor2: return "about 1000 to 15000 (rFactor 2 1.11xx)";
    case ContactScale::LeMansUltimate: return "about 10 to 7600 car-to-car, median 190 to 330 (Le Mans Ultimate)";
  }
  return "";
}

}  // namespace ksim
