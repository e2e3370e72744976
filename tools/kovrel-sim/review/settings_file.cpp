// The plug-in's settings as its rF2kovrel.ini gives them, for a review of a
// broadcast whose settings the log does not print.
#include <filesystem>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "common/text.hpp"
#include "review/review.hpp"

namespace ksim {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Numbers as the plug-in reads them: base 0 for integers ("0x41"), leading text only.
void Apply(DirectorSettings& s, const std::string& key, const std::string& value) {
  const char* text = value.c_str();
  const auto integer = [&]() { return static_cast<int>(std::strtol(text, nullptr, 0)); };
  const auto real = [&]() { return std::strtod(text, nullptr); };
  if (key == "auto") s.autoOn = integer();
  else if (key == "autokey") s.autokey = integer();
  else if (key == "waitsec") s.waitsec = integer();
  else if (key == "onboarddiff") s.onboarddiff = real();
  else if (key == "lowinc") s.lowinc = real();
  else if (key == "highinc") s.highinc = real();
  else if (key == "msessioninc") s.msessioninc = integer();
  else if (key == "sbscount") s.sbscount = integer();
  else if (key == "onboardcam") s.onboardcam = integer();
  else if (key == "rearviewcam") s.rearviewcam = integer();
  else if (key == "replayduration") s.replayduration = integer();
  else if (key == "replayoffset") s.replayoffset = real();
  else if (key == "filespath") s.filespath = value;
  else if (key == "livedirector") s.livedirector = real() != 0.0 ? 1 : 0;
  else if (key == "livemin") s.livemin = real();
  else if (key == "liveswitch") s.liveswitch = real();
  else if (key == "autoinc") s.autoinc = real() != 0.0 ? 1 : 0;
  else if (key == "multiclass") s.multiclass = real() != 0.0 ? 1 : 0;
}

}  // namespace

DirectorSettings ReadDirectorSettings(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the settings file " + path);
  DirectorSettings settings;
  settings.known = true;
  bool inSection = false;
  std::string line;
  while (std::getline(in, line)) {
    const std::string trimmed = Trim(line);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      inSection = Lower(Trim(trimmed.substr(1, trimmed.size() - 2))) == "kovrel";
      continue;
    }
    const std::size_t equals = trimmed.find('=');
    if (!inSection || equals == std::string::npos) continue;
    Apply(settings, Lower(Trim(trimmed.substr(0, equals))), Trim(trimmed.substr(equals + 1)));
  }
  return settings;
}

}  // namespace ksim
