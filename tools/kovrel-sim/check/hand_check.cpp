// What the settings check says of the broadcaster's keys and the favourite
// cars: a key the plug-in leaves off because another action or the on/off
// shortcut has it, and a list of favourites that favours nobody.
#include <algorithm>
#include <cstdlib>

#include "check/check.hpp"
#include "config/key_table.hpp"
#include "director/car_numbers.hpp"
#include "director/favourites.hpp"
#include "director/manual_keys.hpp"
#include "plugin/text.hpp"
#include "sessions/results_file.hpp"

namespace ksim {

namespace {

// The code as the plug-in reads it (strtol, base 0); `fallback` when the key
// is missing or holds no number.
long long CodeOf(const std::map<std::string, const IniEntry*>& first, const char* key, long long fallback) {
  const auto found = first.find(key);
  if (found == first.end() || !found->second->hasValue) return fallback;
  const char* text = found->second->value.c_str();
  char* end = nullptr;
  const long long code = std::strtoll(text, &end, 0);
  return end == text ? fallback : code;
}

std::string Written(const std::map<std::string, const IniEntry*>& first, const char* key) {
  const IniEntry& entry = *first.at(key);
  return entry.where + ": " + entry.key + "=" + entry.value;
}

}  // namespace

std::vector<std::string> HandKeyProblems(const std::map<std::string, const IniEntry*>& first) {
  std::vector<std::string> problems;
  const long long autokey = CodeOf(first, "autokey", std::strtoll(FindSettingKey("autokey")->defaultText, nullptr, 0));
  std::int32_t codes[kManualActions];
  for (int a = 0; a < kManualActions; ++a) {
    const long long code = CodeOf(first, kManualKeyNames[a], 0);
    codes[a] = IsUsableKeyCode(code) ? static_cast<std::int32_t>(code) : 0;
  }
  for (int a = 0; a < kManualActions; ++a) {
    if (codes[a] == 0) continue;
    if (codes[a] == autokey) {
      problems.push_back(Written(first, kManualKeyNames[a]) + " is the key of autokey, which switches the director off: "
                         "the plug-in leaves " + kManualKeyNames[a] + " off");
    }
    for (int b = a + 1; b < kManualActions; ++b) {
      if (codes[b] != codes[a]) continue;
      problems.push_back(Written(first, kManualKeyNames[b]) + " is also " + kManualKeyNames[a] +
                         "'s key: the plug-in leaves both " + kManualKeyNames[a] + " and " + kManualKeyNames[b] + " off");
    }
  }
  return problems;
}

std::string FavouritesProblem(const IniEntry& entry, const CheckContext& context) {
  std::vector<std::string> numbers;
  const std::string written = entry.key + "=" + entry.value;
  if (!ReadCarNumberList(entry.value, numbers)) {
    return written + " is not a list of car numbers (as 7,23,50): the plug-in favours no car";
  }
  if (!context.carNumbersKnown) return "";
  std::string unknown;
  for (const std::string& number : numbers) {
    if (std::find(context.carNumbers.begin(), context.carNumbers.end(), number) == context.carNumbers.end()) {
      unknown += (unknown.empty() ? "" : ", ") + number;
    }
  }
  if (unknown.empty()) return "";
  return written + ": no car of your results files has the number " + unknown +
         " (the digits after the last # of its vehicle name, held by that car alone): it favours nobody";
}

std::vector<std::string> CarNumbersOf(const RecordedSession& session) {
  std::vector<VehicleScoringInfoV01> vehicles(session.drivers.size());
  for (std::size_t i = 0; i < session.drivers.size(); ++i) {
    const std::string& name = session.drivers[i].vehicle;
    std::copy_n(name.begin(), std::min(name.size(), sizeof(vehicles[i].mVehicleName) - 1), vehicles[i].mVehicleName);
  }
  std::vector<std::string> numbers = UniqueCarNumbers(vehicles.data(), static_cast<int>(vehicles.size()));
  numbers.erase(std::remove(numbers.begin(), numbers.end(), std::string()), numbers.end());
  return numbers;
}

}  // namespace ksim
