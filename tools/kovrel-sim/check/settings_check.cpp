// Each setting read the way the plug-in reads it (strtol with base 0, strtod,
// the text kept as it is) and compared with what a person most likely meant
// and with what the plug-in can use.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "check/check.hpp"
#include "config/key_table.hpp"
#include "plugin/text.hpp"

namespace ksim {

namespace {

// The scale rule of the results files: current builds report strengths
// from about 10 into the thousands, older ones from 0 to 1.
constexpr double kOldScaleTop = 1.5;

struct Reading {
  bool number = false;
  double value = 0.0;
  std::string rest;  // the text after the number
};

std::string Shown(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

Reading ReadInteger(const std::string& text) {
  Reading reading;
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(text.c_str(), &end, 0);
  if (end == text.c_str()) return reading;
  reading.number = true;
  // Held to 32 bits, as the plug-in holds it.
  reading.value = static_cast<double>(std::clamp<long long>(number, INT_MIN, INT_MAX));
  reading.rest = end;
  return reading;
}

Reading ReadReal(const std::string& text) {
  Reading reading;
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return reading;
  reading.number = true;
  reading.value = number;
  reading.rest = end;
  return reading;
}

Reading ReadAs(const SettingKey& key, const std::string& text) {
  // The opt-in keys are read as C strtod reads them: "08" is 8 there.
  if (!key.writtenBack) return ReadReal(text);
  if (key.kind == SettingKind::Integer || key.kind == SettingKind::Text) return ReadInteger(text);
  Reading reading = ReadReal(text);
  if (key.kind == SettingKind::WholeReal && std::isfinite(reading.value)) reading.value = std::trunc(reading.value);
  return reading;
}

// "08" or "-010": a leading zero followed by a digit makes strtol read octal.
bool LooksOctal(const std::string& text) {
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  return at + 1 < text.size() && text[at] == '0' && std::isdigit(static_cast<unsigned char>(text[at + 1]));
}

std::string Written(const IniEntry& entry) { return entry.key + "=" + entry.value; }

// What a person would have meant and the plug-in does not read that way.
std::string MisreadProblem(const SettingKey& key, const IniEntry& entry, const Reading& reading) {
  const std::string readsAs = Written(entry) + " reads as " + Shown(reading.value);
  if ((key.kind == SettingKind::Integer || key.kind == SettingKind::Text) && key.writtenBack && LooksOctal(entry.value)) {
    const long long meant = std::strtoll(entry.value.c_str(), nullptr, 10);
    return readsAs + ": a number that starts with 0 is octal to the plug-in; write " + std::to_string(meant);
  }
  if (!std::isfinite(reading.value)) return readsAs + ", which the plug-in cannot use";
  const char next = reading.rest.empty() ? '\0' : reading.rest[0];
  if (next == ',') return readsAs + ": the plug-in stops at the comma; write decimals with a point";
  if (next == '.' && key.kind == SettingKind::Integer) return readsAs + ": the plug-in reads whole numbers only";
  if (key.kind == SettingKind::WholeReal && reading.value != std::strtod(entry.value.c_str(), nullptr)) {
    return readsAs + ": the plug-in reads whole numbers only";
  }
  return "";
}

std::string RangeProblem(const SettingKey& key, const IniEntry& entry, const Reading& reading) {
  if (IsUsableNumber(key, reading.value)) return "";
  return Written(entry) + " is outside what the plug-in can use (" + UsableValuesText(key) + ")";
}

std::string NumberProblem(const SettingKey& key, const IniEntry& entry) {
  const Reading reading = ReadAs(key, entry.value);
  if (!reading.number) {
    return (entry.value.empty() ? entry.key + " is empty" : Written(entry) + " does not start with a number") +
           ": the plug-in uses its default " + key.defaultText + (key.writtenBack ? " and writes that into the file" : "");
  }
  const std::string misread = MisreadProblem(key, entry, reading);
  return misread.empty() ? RangeProblem(key, entry, reading) : misread;
}

bool IsKnownWord(const SettingKey& key, const std::string& text) {
  return std::any_of(key.words.begin(), key.words.end(),
                     [&](const std::string& word) { return EqualsIgnoringCase(text, word.c_str()); });
}

// The plug-in takes the files folder as it is; its POSIX build turns
// backslashes into slashes, as this does where the system's separator is "/".
std::filesystem::path LocalPath(std::string text) {
  if (std::filesystem::path::preferred_separator == '/') std::replace(text.begin(), text.end(), '\\', '/');
  return std::filesystem::path(text);
}

std::string FolderProblem(const IniEntry& entry) {
  if (entry.value.empty()) {
    return "filespath is empty: the plug-in would write its overlay files at the top of the drive";
  }
  const std::filesystem::path folder = LocalPath(entry.value);
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return "";
  if (std::filesystem::exists(folder, error)) return Written(entry) + " is a file, not a folder";
  const std::filesystem::path parent = folder.parent_path();
  if (parent.empty() || std::filesystem::is_directory(parent, error)) return "";  // the plug-in creates it
  return Written(entry) + " does not exist on this computer, nor does the folder above it, so the plug-in "
         "cannot create it: no overlay files and no debug.log";
}

std::string TextProblem(const SettingKey& key, const IniEntry& entry) {
  if (entry.value == "0") {
    return Written(entry) + " counts as not set: the plug-in uses its default " +
           (key.defaultText[0] != '\0' ? key.defaultText : "folder") + " and writes that into the file";
  }
  if (key.words.empty()) return FolderProblem(entry);
  const Reading reading = ReadInteger(entry.value);
  if (key.hasRange && reading.number) {
    const std::string misread = LooksOctal(entry.value) ? MisreadProblem(key, entry, reading) : "";
    return misread.empty() ? RangeProblem(key, entry, reading) : misread;
  }
  if (IsKnownWord(key, entry.value)) return "";
  std::string words;
  for (std::size_t i = 0; i < key.words.size(); ++i) words += (i == 0 ? "" : ", ") + key.words[i];
  return Written(entry) + " is not a word the plug-in knows (" + words + "): it acts as " + key.otherWordActsAs;
}

std::string ValueProblem(const SettingKey& key, const IniEntry& entry) {
  if (!entry.hasValue) {
    return entry.key + " has no \"=\": the plug-in uses its default" +
           (key.defaultText[0] != '\0' ? std::string(" ") + key.defaultText : std::string());
  }
  return key.kind == SettingKind::Text ? TextProblem(key, entry) : NumberProblem(key, entry);
}

struct Threshold {
  std::string name;
  double value;
};

// The contact thresholds in force: the file's, or the plug-in's defaults.
std::vector<Threshold> Thresholds(const std::map<std::string, const IniEntry*>& first) {
  std::vector<Threshold> thresholds;
  for (const char* name : {"lowinc", "highinc"}) {
    const SettingKey& key = *FindSettingKey(name);
    const auto found = first.find(name);
    const bool given = found != first.end() && found->second->hasValue;
    const Reading reading = ReadReal(given ? found->second->value : "");
    const double value = reading.number ? reading.value : std::strtod(key.defaultText, nullptr);
    thresholds.push_back({std::string(name) + "=" + Shown(value) + (given ? "" : " (its default)"), value});
  }
  return thresholds;
}

// Where each file's strengths come from: " (a.xml: rFactor 2 1.1131)".
std::string FilesAndBuilds(const CheckContext& context) {
  std::string list;
  for (const ResultsContacts& file : context.files) {
    list += (list.empty() ? " (" : "; ") + file.file + ": " + BuildName(file);
  }
  return list.empty() ? list : list + ")";
}

// For about eight replays an hour of the file's race.
std::string LeMansUltimateTry(const ResultsContacts& file) {
  double lowinc = 0.0, highinc = 0.0;
  if (!ComfortableThresholds(file, lowinc, highinc)) return "";
  return "for about eight replays an hour there, try lowinc=" + Shown(lowinc) + " and highinc=" + Shown(highinc);
}

// What to try on the scale of thousands, for the builds the files come from.
std::string CurrentScaleTry(const CheckContext& context) {
  std::string tries;
  bool rfactor2 = context.files.empty();
  for (const ResultsContacts& file : context.files) {
    if (file.scale == ContactScale::LeMansUltimate && file.race && !LeMansUltimateTry(file).empty()) {
      tries += (tries.empty() ? "" : "; ") + std::string("Le Mans Ultimate (") + file.file + "): " + LeMansUltimateTry(file);
    } else if (file.scale != ContactScale::Old) {
      rfactor2 = true;
    }
  }
  if (rfactor2) tries = "rFactor 2 1.11xx: try lowinc=2000 and highinc=4000" + (tries.empty() ? "" : "; " + tries);
  return tries;
}

// With autoinc (`followsSession`) thresholds above a file's scale only keep
// the session's first five contacts from a replay before they follow its own
// strengths: no finding. Thresholds below it would replay those five.
std::string ScaleProblem(const std::vector<Threshold>& thresholds, const CheckContext& context, bool followsSession) {
  const double strongest = context.strongestContact;
  if (strongest <= 0.0) return "";
  const bool current = strongest > kOldScaleTop;
  if (!current && followsSession) return "";
  std::string off;
  for (const Threshold& t : thresholds) {
    if ((t.value > kOldScaleTop) != current) off += (off.empty() ? "" : " and ") + t.name;
  }
  if (off.empty()) return "";
  const std::string seen =
      "your results files report contact strengths up to " + Shown(strongest) + FilesAndBuilds(context);
  if (current) {
    return off + " fit the 0-1 scale of older simulator builds, but " + seen +
           ": nearly every contact would be replayed (" + CurrentScaleTry(context) + ")";
  }
  return off + " fit the scale of current simulator builds (rFactor 2 1.11xx: about 1000 to 15000; Le Mans "
         "Ultimate: about 10 to 7600), but " + seen + ": no contact would be replayed (older builds: try "
         "lowinc=0.4 and highinc=0.8)";
}

// Thresholds of the thousands on a Le Mans Ultimate race: its car-to-car
// contacts are weaker than rFactor 2 1.11xx's, its walls not, so such
// thresholds replay walls and few cars. Said with how many they replay, as
// the plug-in's rule counts them, when that is none or more than the live
// race can take.
std::string LeMansUltimateProblem(const std::vector<Threshold>& thresholds, const ResultsContacts& file,
                                  bool budgeted) {
  const Threshold& low = thresholds[0];
  const Threshold& high = thresholds[1];
  if (file.scale != ContactScale::LeMansUltimate || !file.race || file.hours <= 0.0 || low.value <= kOldScaleTop) {
    return "";
  }
  int cars = 0, carsReplayed = 0, walls = 0, wallsReplayed = 0;
  for (const ContactSeen& contact : file.contacts) {
    // In a race (from msessioninc, 10) highinc counts.
    const bool replayed = contact.strength > low.value && contact.strength >= high.value;
    (contact.withVehicle ? cars : walls) += 1;
    if (replayed) (contact.withVehicle ? carsReplayed : wallsReplayed) += 1;
  }
  const int replayed = carsReplayed + wallsReplayed;
  const double perHour = replayed / file.hours;
  // The live director keeps a race's contact replays to about eight an hour itself.
  if (replayed > 0 && (perHour <= kComfortableReplaysPerHour || budgeted)) return "";
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.0f", perHour);
  const std::string minutes = std::to_string(std::lround(file.hours * 60.0));
  std::string line = low.name + " and " + high.name + " on " + file.file + " (" + BuildName(file) + ", a " + minutes +
                     "-minute race) would replay " + std::to_string(replayed) + " contacts, " + rate + " an hour: " +
                     std::to_string(wallsReplayed) + " of its " + std::to_string(walls) + " with a wall and " +
                     std::to_string(carsReplayed) + " of its " + std::to_string(cars) + " car-to-car contacts";
  if (file.CarToCarTopTenth() > 0.0) {
    line += " (its car-to-car strengths lie below rFactor 2 1.11xx's: median " + Figure(file.CarToCarMedian()) +
            ", strongest tenth from " + Figure(file.CarToCarTopTenth()) + ")";
  }
  line += replayed == 0 ? "; no replay at all" : "; more than eight an hour bury the live race";
  const std::string tries = LeMansUltimateTry(file);
  return tries.empty() ? line : line + " (" + tries + ")";
}

bool SwitchedOn(const std::map<std::string, const IniEntry*>& first, const char* name) {
  const auto found = first.find(name);
  return found != first.end() && found->second->hasValue && std::strtod(found->second->value.c_str(), nullptr) != 0.0;
}

// A contact must be stronger than lowinc to count at all, so a lower highinc
// replays all of those in races too.
std::string OrderProblem(const std::vector<Threshold>& thresholds) {
  const Threshold& low = thresholds[0];
  const Threshold& high = thresholds[1];
  if (high.value >= low.value) return "";
  return high.name + " is below " + low.name + ": every contact stronger than lowinc is replayed, in races too";
}

}  // namespace

std::vector<std::string> CheckSettings(const IniContents& contents, const CheckContext& context) {
  std::vector<std::string> problems;
  if (!contents.hasSection) {
    problems.push_back("no [KOVREL] section: the plug-in reads nothing here and adds the section with every "
                       "setting at its default");
  }
  for (const std::string& where : contents.ignoredSections) {
    problems.push_back(where + ": a second [KOVREL] section; the plug-in reads only the first, so nothing below "
                       "this line counts");
  }
  std::map<std::string, const IniEntry*> first;
  for (const IniEntry& entry : contents.entries) {
    const SettingKey* key = FindSettingKey(entry.key);
    std::string problem;
    if (key == nullptr) {
      problem = UnknownKeyProblem(entry.key);
    } else if (first.count(key->key) != 0) {
      problem = std::string(key->key) + " again: the plug-in reads only the first (" + first[key->key]->where + ")";
    } else {
      first[key->key] = &entry;
      problem = EqualsIgnoringCase(key->key, "favourites") ? FavouritesProblem(entry, context) : ValueProblem(*key, entry);
    }
    if (!problem.empty()) problems.push_back(entry.where + ": " + problem);
  }
  for (const std::string& problem : HandKeyProblems(first)) problems.push_back(problem);
  const std::vector<Threshold> thresholds = Thresholds(first);
  const bool followsSession = SwitchedOn(first, "autoinc");
  for (const std::string& problem : {OrderProblem(thresholds), ScaleProblem(thresholds, context, followsSession)}) {
    if (!problem.empty()) problems.push_back(problem);
  }
  // With autoinc the thresholds follow each session's own strengths.
  if (!followsSession) {
    for (const ResultsContacts& file : context.files) {
      const std::string problem = LeMansUltimateProblem(thresholds, file, SwitchedOn(first, "livedirector"));
      if (!problem.empty()) problems.push_back(problem);
    }
  }
  return problems;
}

}  // namespace ksim
