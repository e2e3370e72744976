// Every key of the INI file's section "KOVREL", in the order the plug-in reads
// them, with the text it writes back for a missing key and the values it can
// make sense of. The settings check and the user guide's table both take
// their list from here, so a key added to the plug-in belongs here too.
#pragma once

#include <string>
#include <vector>

// WholeReal: read as a real, then cut to a whole number (msessioninc).
enum class SettingKind { Integer, Real, WholeReal, Text };

// Numbers a setting can use; a bound left at infinity is open.
struct UsableRange {
  double lowest;
  double highest;
  bool lowestExcluded;  // "more than" rather than "at least"
};

struct SettingKey {
  const char* key;
  SettingKind kind;
  // What the plug-in writes back when the key is missing; filespath's is
  // computed from the INI file's folder, so it has none here.
  const char* defaultText;
  bool hasRange;  // false: any number (or, for text, no number) will do
  UsableRange range;
  // The words a text setting recognises; any other word acts like
  // `otherWordActsAs`. Text settings with no words take any text.
  std::vector<std::string> words;
  const char* otherWordActsAs;
  // Said instead of the range or the words, for a setting that needs more.
  const char* usableText;
  // False for the opt-in keys: read when present, never added to the file.
  bool writtenBack = true;
};

// The twenty-one keys the plug-in writes, in reading order, then the opt-in keys.
const std::vector<SettingKey>& SettingKeys();

// The key of that name, compared without regard to case; null when none.
const SettingKey* FindSettingKey(const std::string& name);

// The usable values in a few words: "0 or 1", "1 to 254", "2 or more",
// "no, ob or rv".
std::string UsableValuesText(const SettingKey& key);

// Whether a number lies in the key's usable range.
bool IsUsableNumber(const SettingKey& key, double value);
