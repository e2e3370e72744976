// The known key nearest to a name the plug-in does not know: a typo's
// likely meaning.
#include <algorithm>
#include <cctype>
#include <vector>

#include "check/check.hpp"
#include "config/key_table.hpp"

namespace ksim {

namespace {

// Edits between two names (letter case aside), a swap of neighbours counting one.
int EditDistance(const std::string& a, const std::string& b) {
  const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = static_cast<int>(i);
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const int change = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1])) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string NearestKey(const std::string& name) {
  // Short names allow one edit, longer ones two.
  const int allowed = name.size() >= 6 ? 2 : 1;
  std::string nearest;
  int best = allowed + 1;
  for (const SettingKey& key : SettingKeys()) {
    const int distance = EditDistance(name, key.key);
    if (distance < best) {
      best = distance;
      nearest = key.key;
    }
  }
  return nearest;
}

std::string UnknownKeyProblem(const std::string& key) {
  if (FindSettingKey(key) != nullptr) return "";
  const std::string nearest = NearestKey(key);
  return "\"" + key + "\" is not a setting of the plug-in" +
         (nearest.empty() ? ": it ignores it" : "; did you mean " + nearest + "?");
}

}  // namespace ksim
