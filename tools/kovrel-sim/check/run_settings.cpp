// The settings a run plays with, checked before it starts: the --ini file
// with the --set values written over it, as the host writes them.
#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "check/check.hpp"
#include "plugin/text.hpp"

namespace ksim {

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

std::string FirstValueOf(const IniContents& contents, const char* key) {
  for (const IniEntry& entry : contents.entries) {
    if (EqualsIgnoringCase(entry.key, key)) return entry.value;
  }
  return "";
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
