// What the advisor may change: the plug-in's keys that steer the director,
// each with the values a user could mean, the contact thresholds drawn from
// the sessions' own strengths, and the keys a user pins with --fix.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace ksim {

// Every key the advisor searches, mapped to its value as the INI spells it.
using Candidate = std::map<std::string, std::string>;

struct Knob {
  std::string key;
  std::vector<std::string> values;  // tried in this order; neighbours are adjacent
};

// The plug-in's keys of the section, in the order it reads them, with the
// text it writes back as the default.
struct IniKey {
  const char* key;
  const char* fallback;
  bool searched;
  bool optIn = false;  // read only when present: left out of a file at its default
};
const std::vector<IniKey>& PluginKeys();
bool IsSearchedKey(const std::string& key);

// The plug-in's own defaults for the searched keys.
Candidate DefaultCandidate();

// The scale of a session's contact strengths: old builds report 0 to 1,
// current ones from about 10 up to 15000.
enum class StrengthScale { None, Old, Current };
StrengthScale ScaleOf(const std::vector<double>& strengths);
const char* ScaleName(StrengthScale scale);

// Checks a --fix text: a searched key and a value that reads as a number
// (or, for showinpit, one of its words). Returns the message of what is
// wrong, empty when it is fine; `key` and `value` are set when it is.
std::string CheckFix(const std::string& text, std::string& key, std::string& value);

// The knobs for sessions whose pooled contact strengths are `strengths`;
// keys in `fixed` are left out.
std::vector<Knob> BuildSearchSpace(const std::vector<double>& strengths, const Candidate& fixed);

}  // namespace ksim
