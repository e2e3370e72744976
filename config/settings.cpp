// The settings of the INI file's section "KOVREL", read in a fixed order. A
// number that cannot be read, and a text left at "0", are replaced by the
// default, which is written back so that the file lists every setting.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "config/paths.hpp"
#include "config/profile.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

const char kSection[] = "KOVREL";
// Read in place of a missing value: no number starts with it...
const char kNotANumber[] = "a";
// ...and a text setting left at it takes its default.
const char kUnsetText[] = "0";
// The first nine keys are read one byte shorter than the rest.
constexpr std::size_t kShortRead = 255;
constexpr std::size_t kLongRead = 256;

// The number at the start of the text as strtol reads it with base 0, held to
// 32 bits (long is 32 bits wide on Windows, 64 here).
bool ParseInteger(const std::string& text, std::int32_t& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const long long number = std::strtoll(begin, &end, 0);
  if (end == begin) return false;
  constexpr long long kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr long long kHighest = std::numeric_limits<std::int32_t>::max();
  value = static_cast<std::int32_t>(number < kLowest ? kLowest : number > kHighest ? kHighest : number);
  return true;
}

bool ParseReal(const std::string& text, double& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  value = std::strtod(begin, &end);
  return end != begin;
}

// Truncated toward zero and held to 32 bits; "nan" gives 0.
std::int32_t TruncatedToInteger(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
  if (value <= kLowest) return std::numeric_limits<std::int32_t>::min();
  if (value >= kHighest) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

void WriteBack(const std::string& ini, const char* key, const std::string& text) {
  // A file that cannot be written is not noticed: the default holds in memory.
  WriteProfileText(ini, kSection, key, text);
}

std::int32_t ReadInteger(const std::string& ini, const char* key, std::size_t size,
                         std::int32_t fallback, const char* fallbackText) {
  std::int32_t value = 0;
  if (ParseInteger(ReadProfileText(ini, kSection, key, kNotANumber, size), value)) return value;
  WriteBack(ini, key, fallbackText);
  return fallback;
}

double ReadReal(const std::string& ini, const char* key, std::size_t size, double fallback,
                const char* fallbackText) {
  double value = 0.0;
  if (ParseReal(ReadProfileText(ini, kSection, key, kNotANumber, size), value)) return value;
  WriteBack(ini, key, fallbackText);
  return fallback;
}

std::string ReadText(const std::string& ini, const char* key, std::size_t size,
                     const std::string& fallback) {
  std::string text = ReadProfileText(ini, kSection, key, kUnsetText, size);
  if (text != kUnsetText) return text;
  WriteBack(ini, key, fallback);
  return fallback;
}

std::int32_t IntegerAtStartOf(const std::string& text) {
  std::int32_t value = 0;
  return ParseInteger(text, value) ? value : 0;
}

}  // namespace

void rF2kovrel::ReadSettingsUpToFilesPath() {
  auto_ = ReadInteger(mIniPath, "auto", kShortRead, 1, "1");
  autokey = ReadInteger(mIniPath, "autokey", kShortRead, 65, "0x41");
  waitsec = ReadInteger(mIniPath, "waitsec", kShortRead, 15, "15");
  interest = ReadInteger(mIniPath, "interest", kShortRead, 12, "12");
  interestdiff = ReadInteger(mIniPath, "interestdiff", kShortRead, 3, "3");
  onboarddiff = ReadReal(mIniPath, "onboarddiff", kShortRead, 0.4, "0.4");
  onboardcam = ReadInteger(mIniPath, "onboardcam", kShortRead, 0, "0");
  rearview = ReadInteger(mIniPath, "rearview", kShortRead, 0, "0");
  rearviewcam = ReadInteger(mIniPath, "rearviewcam", kShortRead, 6, "6");
  camtest = ReadText(mIniPath, "camtest", kLongRead, "no");
  walkthrough = ReadInteger(mIniPath, "walkthrough", kLongRead, 1, "1");
  showinpit = ReadText(mIniPath, "showinpit", kLongRead, "interestdiff");
  mShowInPitNum = IntegerAtStartOf(showinpit);
  lowinc = ReadReal(mIniPath, "lowinc", kLongRead, 0.4, "0.4");
  highinc = ReadReal(mIniPath, "highinc", kLongRead, 0.8, "0.8");
  msessioninc = TruncatedToInteger(ReadReal(mIniPath, "msessioninc", kLongRead, 10.0, "10"));
  filespath = ReadText(mIniPath, "filespath", kLongRead, DefaultFilesPathFor(mIniPath));
}

void rF2kovrel::ReadSettingsFromDebug() {
  debug = ReadInteger(mIniPath, "debug", kLongRead, 0, "0");
  sbsdist = ReadReal(mIniPath, "sbsdist", kLongRead, 1.5, "1.5");
  sbscount = ReadInteger(mIniPath, "sbscount", kLongRead, 2, "2");
  replayduration = ReadInteger(mIniPath, "replayduration", kLongRead, 20, "20");
  replayoffset = ReadReal(mIniPath, "replayoffset", kLongRead, 5.0, "5.0");
}
