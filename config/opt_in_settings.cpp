// Keys a user adds to switch on what the plug-in does beyond its usual
// direction. Each is read only when the file has it, and none is written back:
// a file without them keeps every byte and every cut it had.
#include <cstdlib>
#include <string>

#include "config/profile.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

const char kSection[] = "KOVREL";
constexpr std::size_t kRead = 256;

// The number the key holds; false when it is missing or starts with no number.
bool ReadPresentNumber(const std::string& ini, const char* key, double& value) {
  const std::string text = ReadProfileText(ini, kSection, key, "", kRead);
  const char* begin = text.c_str();
  char* end = nullptr;
  const double number = std::strtod(begin, &end);
  if (end == begin) return false;
  value = number;
  return true;
}

void ReadSwitch(const std::string& ini, const char* key, std::int32_t& value) {
  double number = 0.0;
  if (ReadPresentNumber(ini, key, number)) value = number != 0.0 ? 1 : 0;
}

// Out-of-range values keep the built-in value rather than misdirect.
void ReadAtLeast(const std::string& ini, const char* key, double lowest, double& value) {
  double number = 0.0;
  if (ReadPresentNumber(ini, key, number) && number >= lowest) value = number;
}

// A TCP port, 1 to 65535; anything else leaves the built-in one.
void ReadPort(const std::string& ini, const char* key, std::int32_t& value) {
  double number = 0.0;
  if (ReadPresentNumber(ini, key, number) && number >= 1.0 && number <= 65535.0) {
    value = static_cast<std::int32_t>(number);
  }
}

}  // namespace

void rF2kovrel::ReadOptInSettings() {
  ReadSwitch(mIniPath, "livedirector", livedirector);
  ReadAtLeast(mIniPath, "livemin", 0.0, livemin);
  ReadAtLeast(mIniPath, "liveswitch", 1.0, liveswitch);
  ReadSwitch(mIniPath, "autoinc", autoinc);
  // Focus requests go to the server the probe found: the port is settled
  // with the probe, on the first set-up, for the object's life.
  if (!mWebProbeDone) ReadPort(mIniPath, "webport", webport);
  ReadSwitch(mIniPath, "standings", standings);
  ReadSwitch(mIniPath, "multiclass", multiclass);
  mManualWithinClass = multiclass != 0;  // next and previous keep to the class on air
  ReadSwitch(mIniPath, "recordtrace", recordtrace);
  mIniLowinc = lowinc;
  mIniHighinc = highinc;
  ReadManualSettings();
}
