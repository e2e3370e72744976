#include "advise/search_space.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>

#include "common/text.hpp"

namespace ksim {

namespace {

// showinpit's words, then the numbers a user could mean (the first N places).
const char* const kShowInPitWords[] = {"interestdiff", "onboarddiff", "always", "never"};

bool IsShowInPitWord(const std::string& value) {
  for (const char* word : kShowInPitWords) {
    std::string lower = value;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == word) return true;
  }
  return false;
}

bool ReadsAsNumber(const std::string& value) {
  if (value.empty()) return false;
  char* end = nullptr;
  const double number = std::strtod(value.c_str(), &end);
  return end == value.c_str() + value.size() && std::isfinite(number);
}

// Three significant digits: a threshold a user can read and type.
std::string Rounded(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", value);
  // %.3g may use an exponent (1.23e+04): write it out.
  char* end = nullptr;
  const double back = std::strtod(text, &end);
  std::snprintf(text, sizeof text, "%.10g", back);
  return text;
}

double Quantile(const std::vector<double>& sorted, double q) {
  const double at = q * static_cast<double>(sorted.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(at));
  const std::size_t above = std::min(sorted.size() - 1, below + 1);
  return sorted[below] + (sorted[above] - sorted[below]) * (at - static_cast<double>(below));
}

std::vector<std::string> QuantileValues(const std::vector<double>& sorted, const std::vector<double>& shares) {
  std::vector<std::string> values;
  for (const double q : shares) {
    const std::string value = Rounded(Quantile(sorted, q));
    if (std::find(values.begin(), values.end(), value) == values.end()) values.push_back(value);
  }
  return values;
}

}  // namespace

const std::vector<IniKey>& PluginKeys() {
  static const std::vector<IniKey> keys = {
      {"auto", "1", false},          {"autokey", "0x41", false},   {"waitsec", "15", true},
      {"interest", "12", true},      {"interestdiff", "3", true},  {"onboarddiff", "0.4", true},
      {"onboardcam", "0", false},    {"rearview", "0", false},     {"rearviewcam", "6", false},
      {"camtest", "no", false},      {"walkthrough", "1", false},  {"showinpit", "interestdiff", true},
      {"lowinc", "0.4", true},       {"highinc", "0.8", true},     {"msessioninc", "10", true},
      {"filespath", "", false},      {"debug", "0", false},        {"sbsdist", "1.5", true},
      {"sbscount", "2", true},       {"replayduration", "20", true}, {"replayoffset", "5.0", true},
      {"livedirector", "0", true, true}, {"livemin", "8", true, true}, {"liveswitch", "1.5", true, true},
      {"autoinc", "0", true, true},
      {"multiclass", "0", true, true},
  };
  return keys;
}

bool IsSearchedKey(const std::string& key) {
  for (const IniKey& k : PluginKeys()) {
    if (k.searched && key == k.key) return true;
  }
  return false;
}

Candidate DefaultCandidate() {
  Candidate candidate;
  for (const IniKey& k : PluginKeys()) {
    if (k.searched) candidate[k.key] = k.fallback;
  }
  return candidate;
}

StrengthScale ScaleOf(const std::vector<double>& strengths) {
  if (strengths.empty()) return StrengthScale::None;
  const double strongest = *std::max_element(strengths.begin(), strengths.end());
  return strongest > 1.5 ? StrengthScale::Current : StrengthScale::Old;
}

const char* ScaleName(StrengthScale scale) {
  switch (scale) {
    case StrengthScale::None: return "no contacts";
    case StrengthScale::Old: return "0-1 (older builds)";
    case StrengthScale::Current: return "10-15000 (current builds)";
  }
  return "";
}

std::string CheckFix(const std::string& text, std::string& key, std::string& value) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) return "--fix wants KEY=VALUE, not \"" + text + "\"";
  const std::string k = Trim(text.substr(0, equals));
  const std::string v = Trim(text.substr(equals + 1));
  if (!IsSearchedKey(k)) {
    std::string known;
    for (const IniKey& entry : PluginKeys()) {
      if (entry.searched) known += std::string(known.empty() ? "" : ", ") + entry.key;
    }
    return "--fix " + text + ": \"" + k + "\" is not a key the advisor searches (" + known + ")";
  }
  if (!ReadsAsNumber(v) && !(k == "showinpit" && IsShowInPitWord(v))) {
    return "--fix " + text + ": \"" + v + "\" does not read as a number" +
           (k == "showinpit" ? " nor as interestdiff, onboarddiff, always or never" : "");
  }
  key = k;
  value = v;
  return "";
}

std::vector<Knob> BuildSearchSpace(const std::vector<double>& strengths, const Candidate& fixed) {
  std::vector<Knob> knobs;
  // Most telling first: a search cut short by its budget has tried these.
  std::vector<double> sorted = strengths;
  std::sort(sorted.begin(), sorted.end());
  if (!sorted.empty()) {
    knobs.push_back({"highinc", QuantileValues(sorted, {0.6, 0.8, 0.9, 0.95, 0.98, 0.995})});
    knobs.push_back({"lowinc", QuantileValues(sorted, {0.25, 0.5, 0.7, 0.85, 0.95})});
  }
  knobs.push_back({"livedirector", {"0", "1"}});
  knobs.push_back({"autoinc", {"0", "1"}});
  knobs.push_back({"multiclass", {"0", "1"}});
  knobs.push_back({"waitsec", {"6", "8", "10", "12", "15", "20"}});
  // Only the live director reads these two.
  knobs.push_back({"livemin", {"6", "8", "10", "12"}});
  knobs.push_back({"liveswitch", {"1.25", "1.5", "2", "3"}});
  knobs.push_back({"onboarddiff", {"0.2", "0.3", "0.4", "0.6", "0.8", "1.0"}});
  knobs.push_back({"interestdiff", {"1", "2", "3", "4", "5"}});
  knobs.push_back({"interest", {"5", "8", "12", "16", "20"}});
  knobs.push_back({"replayduration", {"12", "15", "20", "25"}});
  knobs.push_back({"replayoffset", {"3.0", "4.0", "5.0", "6.5"}});
  knobs.push_back({"sbsdist", {"0.75", "1.5", "2.5", "4.0"}});
  knobs.push_back({"sbscount", {"2", "3", "4"}});
  knobs.push_back({"showinpit", {"interestdiff", "onboarddiff", "always", "never", "3"}});
  // Races are sessions 10 to 13: above 10, lighter contacts are replayed in races too.
  knobs.push_back({"msessioninc", {"5", "10", "14"}});
  knobs.erase(std::remove_if(knobs.begin(), knobs.end(), [&](const Knob& k) { return fixed.count(k.key) != 0; }),
              knobs.end());
  return knobs;
}

}  // namespace ksim
