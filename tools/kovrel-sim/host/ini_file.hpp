// The plug-in's settings file in the host's working folder: the host writes
// the settings asked for on its command line, the plug-in reads them when the
// host calls SetEnvironment and completes the file with its defaults.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ksim {

using Setting = std::pair<std::string, std::string>;

// Parses "key=value"; false when there is no '=' or no key.
bool ParseSetting(const std::string& text, Setting& setting);

// Writes folder/rF2kovrel.ini afresh: the lines of `templatePath` (when not
// empty) with the [KOVREL] keys of `settings` set, the section and keys added
// where missing. With neither, removes the file so that the plug-in writes its
// defaults. Returns the file's path; throws std::runtime_error when the
// template cannot be read or the file cannot be written.
std::string WriteSettingsFile(const std::string& folder, const std::string& templatePath,
                              const std::vector<Setting>& settings);

}  // namespace ksim
