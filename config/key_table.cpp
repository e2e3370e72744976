#include "config/key_table.hpp"

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "plugin/text.hpp"

namespace {

constexpr double kOpen = std::numeric_limits<double>::infinity();

SettingKey Integer(const char* key, const char* defaultText, double lowest, double highest = kOpen) {
  return {key, SettingKind::Integer, defaultText, true, {lowest, highest, false}, {}, nullptr, nullptr};
}

SettingKey Real(const char* key, const char* defaultText, double lowest, bool lowestExcluded = false) {
  return {key, SettingKind::Real, defaultText, true, {lowest, kOpen, lowestExcluded}, {}, nullptr, nullptr};
}

SettingKey Words(const char* key, const char* defaultText, std::vector<std::string> words, const char* otherWordActsAs) {
  return {key, SettingKind::Text, defaultText, false, {0.0, 0.0, false}, std::move(words), otherWordActsAs, nullptr};
}

SettingKey OptIn(SettingKey key) {
  key.writtenBack = false;
  return key;
}

std::string NumberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string WordList(const std::vector<std::string>& words, const char* lastJoin) {
  std::string list;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) list += i + 1 == words.size() ? lastJoin : ", ";
    list += words[i];
  }
  return list;
}

std::string RangeText(const UsableRange& range) {
  const std::string lowest = NumberText(range.lowest);
  if (std::isinf(range.highest)) return range.lowestExcluded ? "more than " + lowest : lowest + " or more";
  if (range.highest == range.lowest + 1.0) return lowest + " or " + NumberText(range.highest);
  return lowest + " to " + NumberText(range.highest);
}

}  // namespace

const std::vector<SettingKey>& SettingKeys() {
  static const std::vector<SettingKey> keys = [] {
    std::vector<SettingKey> k;
    k.push_back(Integer("auto", "1", 0, 1));
    // A Windows virtual-key code.
    k.push_back(Integer("autokey", "0x41", 1, 254));
    // At 0 the camera cuts every 0 to 4 seconds; below it at every snapshot.
    k.push_back(Integer("waitsec", "15", 1));
    // A place: at 0 every car counts as behind the interesting places.
    k.push_back(Integer("interest", "12", 1));
    k.push_back(Integer("interestdiff", "3", 0));
    k.push_back(Real("onboarddiff", "0.4", 0));
    // Camera types are the simulator's numbers from 0 up.
    k.push_back(Integer("onboardcam", "0", 0));
    k.push_back(Integer("rearview", "0", 0, 100));  // percent
    k.push_back(Integer("rearviewcam", "6", 0));
    k.push_back(Words("camtest", "no", {"no", "ob", "rv"}, "no"));
    k.push_back(Integer("walkthrough", "1", 0, 1));
    // Or a number N: the first N places are watched in the pit lane.
    SettingKey showinpit = Words("showinpit", "interestdiff", {"interestdiff", "onboarddiff", "always", "never"}, "never");
    showinpit.hasRange = true;
    showinpit.range = {1, kOpen, false};
    k.push_back(showinpit);
    // Negative thresholds replay every contact, as 0 does.
    k.push_back(Real("lowinc", "0.4", 0));
    k.push_back(Real("highinc", "0.8", 0));
    // Session numbers run from 0 to 13; 14 counts lowinc in races too.
    SettingKey msessioninc = Integer("msessioninc", "10", 0, 14);
    msessioninc.kind = SettingKind::WholeReal;
    k.push_back(msessioninc);
    SettingKey filespath = Words("filespath", "", {}, nullptr);
    filespath.usableText = "a folder that exists, or whose parent folder exists";
    k.push_back(filespath);
    k.push_back(Integer("debug", "0", 0, 1));
    // Nothing is closer than 0 metres, so no group would ever form.
    k.push_back(Real("sbsdist", "1.5", 0, true));
    // Each car counts itself: below 2 every car is a side-by-side group.
    k.push_back(Integer("sbscount", "2", 2));
    k.push_back(Integer("replayduration", "20", 1));
    // A negative offset starts the replay after the contact.
    k.push_back(Real("replayoffset", "5.0", 0));
    k.push_back(OptIn(Integer("livedirector", "0", 0, 1)));
    k.push_back(OptIn(Real("livemin", "8", 0)));
    k.push_back(OptIn(Real("liveswitch", "1.5", 1)));
    k.push_back(OptIn(Integer("autoinc", "0", 0, 1)));
    // The simulator's web server: LMU's is on 6397, rFactor 2's web UI on 5397.
    k.push_back(OptIn(Integer("webport", "6397", 1, 65535)));
    k.push_back(OptIn(Integer("standings", "0", 0, 1)));
    // The broadcaster's keys: virtual-key codes held with Ctrl; 0 leaves one off.
    for (const char* key : {"holdkey", "nextkey", "prevkey", "leaderkey", "replaykey"}) {
      k.push_back(OptIn(Integer(key, "0", 0, 254)));
    }
    k.push_back(OptIn(Real("manualhold", "30", 1)));
    SettingKey favourites = OptIn(Words("favourites", "", {}, nullptr));
    favourites.usableText = "car numbers, as 7,23,50";
    k.push_back(favourites);
    k.push_back(OptIn(Real("favourfactor", "2", 1)));
    k.push_back(OptIn(Integer("multiclass", "0", 0, 1)));
    // Records every snapshot into a trace file a session in the files folder.
    k.push_back(OptIn(Integer("recordtrace", "0", 0, 1)));
    return k;
  }();
  return keys;
}

const SettingKey* FindSettingKey(const std::string& name) {
  for (const SettingKey& key : SettingKeys()) {
    if (EqualsIgnoringCase(name, key.key)) return &key;
  }
  return nullptr;
}

std::string UsableValuesText(const SettingKey& key) {
  if (key.usableText != nullptr) return key.usableText;
  if (key.words.empty()) return RangeText(key.range);
  if (!key.hasRange) return WordList(key.words, " or ");
  return WordList(key.words, ", ") + ", or a number: " + RangeText(key.range);
}

bool IsUsableNumber(const SettingKey& key, double value) {
  if (!key.hasRange) return true;
  const bool aboveLowest = key.range.lowestExcluded ? value > key.range.lowest : value >= key.range.lowest;
  return aboveLowest && value <= key.range.highest;
}
