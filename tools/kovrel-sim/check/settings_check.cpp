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
#include <ostream>
#include <stdexcept>

#include "check/check.hpp"
#include "config/key_table.hpp"
#include "plugin/text.hpp"

namespace ksim {

namespace {

// The scale rule of the results files: current builds report strengths in
// the thousands, older ones from 0 to 1.
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
  if ((key.kind == SettingKind::Integer || key.kind == SettingKind::Text) && LooksOctal(entry.value)) {
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
           ": the plug-in uses its default " + key.defaultText + " and writes that into the file";
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

std::string ScaleProblem(const std::vector<Threshold>& thresholds, double strongest) {
  if (strongest <= 0.0) return "";
  const bool current = strongest > kOldScaleTop;
  std::string off;
  for (const Threshold& t : thresholds) {
    if ((t.value > kOldScaleTop) != current) off += (off.empty() ? "" : " and ") + t.name;
  }
  if (off.empty()) return "";
  const std::string seen = "your results files report contact strengths up to " + Shown(strongest);
  if (current) {
    return off + " fit the 0-1 scale of older simulator builds, but " + seen +
           ": nearly every contact would be replayed (current builds: try lowinc=2000 and highinc=4000)";
  }
  return off + " fit the scale of current simulator builds (about 1000 to 15000), but " + seen +
         ": no contact would be replayed (older builds: try lowinc=0.4 and highinc=0.8)";
}

// A contact must be stronger than lowinc to count at all, so a lower highinc
// replays all of those in races too.
std::string OrderProblem(const std::vector<Threshold>& thresholds) {
  const Threshold& low = thresholds[0];
  const Threshold& high = thresholds[1];
  if (high.value >= low.value) return "";
  return high.name + " is below " + low.name + ": every contact stronger than lowinc is replayed, in races too";
}

// Edits between two names (letter case aside), a swap of neighbours counting one.
int EditDistance(const std::string& a, const std::string& b) {
  const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = static_cast<int>(i);
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const int change = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1])) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string NearestKey(const std::string& name) {
  // Short names allow one edit, longer ones two.
  const int allowed = name.size() >= 6 ? 2 : 1;
  std::string nearest;
  int best = allowed + 1;
  for (const SettingKey& key : SettingKeys()) {
    const int distance = EditDistance(name, key.key);
    if (distance < best) {
      best = distance;
      nearest = key.key;
    }
  }
  return nearest;
}

std::string UnknownKeyProblem(const std::string& key) {
  if (FindSettingKey(key) != nullptr) return "";
  const std::string nearest = NearestKey(key);
  return "\"" + key + "\" is not a setting of the plug-in" +
         (nearest.empty() ? ": it ignores it" : "; did you mean " + nearest + "?");
}

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
      problem = ValueProblem(*key, entry);
    }
    if (!problem.empty()) problems.push_back(entry.where + ": " + problem);
  }
  const std::vector<Threshold> thresholds = Thresholds(first);
  for (const std::string& problem : {OrderProblem(thresholds), ScaleProblem(thresholds, context.strongestContact)}) {
    if (!problem.empty()) problems.push_back(problem);
  }
  return problems;
}

IniContents RunSettings(const std::string& iniPath, const std::vector<Setting>& sets) {
  IniContents contents;
  contents.hasSection = true;
  if (!iniPath.empty()) contents = ReadIniContents(iniPath);
  for (const Setting& set : sets) {
    // The host writes a --set over the section's first line of that key.
    const auto same = std::find_if(contents.entries.begin(), contents.entries.end(),
                                   [&](const IniEntry& e) { return EqualsIgnoringCase(e.key, set.first.c_str()); });
    IniEntry entry{set.first, set.second, true, "--set"};
    if (same != contents.entries.end()) {
      *same = entry;
    } else {
      contents.entries.push_back(entry);
    }
  }
  return contents;
}

bool WarnAboutRunSettings(std::ostream& err, const std::string& iniPath, const std::vector<Setting>& sets,
                          const CheckContext& context) {
  if (iniPath.empty() && sets.empty()) return true;
  try {
    for (const std::string& problem : CheckSettings(RunSettings(iniPath, sets), context)) {
      err << "kovrel-sim: warning: " << problem << '\n';
    }
  } catch (const std::runtime_error& error) {
    err << "kovrel-sim: " << error.what() << '\n';
    return false;
  }
  return true;
}

}  // namespace ksim
