// The opt-in keys of the broadcaster's hand and of the favourite cars: read
// only when the file has them, never written back.
#include <cstdlib>
#include <string>

#include "config/profile.hpp"
#include "director/favourites.hpp"
#include "director/manual_keys.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

const char kSection[] = "KOVREL";
constexpr std::size_t kRead = 256;

// Empty when the key is missing (or empty, which reads the same).
std::string TextOf(const std::string& ini, const char* key) { return ReadProfileText(ini, kSection, key, "", kRead); }

// A virtual-key code as autokey is read (strtol, base 0); any value outside
// 1-254 leaves the action off.
void ReadKeyCode(const std::string& ini, const char* key, std::int32_t& code) {
  const std::string text = TextOf(ini, key);
  if (text.empty()) return;
  char* end = nullptr;
  const long long number = std::strtoll(text.c_str(), &end, 0);
  code = end != text.c_str() && IsUsableKeyCode(number) ? static_cast<std::int32_t>(number) : 0;
}

// A number below `lowest` (or not a number at all, as "nan") reads as `lowest`.
void ReadFloored(const std::string& ini, const char* key, double lowest, double& value) {
  const std::string text = TextOf(ini, key);
  if (text.empty()) return;
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return;
  value = number >= lowest ? number : lowest;
}

}  // namespace

void rF2kovrel::ReadManualSettings() {
  ReadKeyCode(mIniPath, "holdkey", holdkey);
  ReadKeyCode(mIniPath, "nextkey", nextkey);
  ReadKeyCode(mIniPath, "prevkey", prevkey);
  ReadKeyCode(mIniPath, "leaderkey", leaderkey);
  ReadKeyCode(mIniPath, "replaykey", replaykey);
  ReadFloored(mIniPath, "manualhold", 1.0, manualhold);
  favourites = TextOf(mIniPath, "favourites");
  // Text that is not a list of numbers favours no car.
  ReadCarNumberList(favourites, mFavouriteNumbers);
  ReadFloored(mIniPath, "favourfactor", 1.0, favourfactor);
}
