// Favourite cars: their fights count as closer in races, and they come up
// more often in the practice and qualifying rotation.
#include "director/favourites.hpp"

#include <algorithm>
#include <cmath>

#include "director/car_numbers.hpp"
#include "director/snapshot.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// Past this a rotation would be nearly all favourites.
constexpr double kMostTimesPerRotation = 8.0;

std::string Trimmed(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

}  // namespace

bool ReadCarNumberList(const std::string& text, std::vector<std::string>& numbers) {
  numbers.clear();
  if (Trimmed(text).empty()) return true;
  std::size_t from = 0;
  for (;;) {
    const std::size_t comma = text.find(',', from);
    const std::string item = Trimmed(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    const bool digits = !item.empty() && std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
      numbers.clear();
      return false;
    }
    numbers.push_back(item);
    if (comma == std::string::npos) return true;
    from = comma + 1;
  }
}

void rF2kovrel::FindFavourites(const ScoringInfoV01& info) {
  mFavouriteIds.clear();
  if (mFavouriteNumbers.empty()) return;
  const int count = VehicleCount(info);
  const std::vector<std::string> numbers = UniqueCarNumbers(info.mVehicle, count);
  for (int i = 0; i < count && i < static_cast<int>(numbers.size()); ++i) {
    const std::string& number = numbers[static_cast<std::size_t>(i)];
    if (number.empty()) continue;
    if (std::find(mFavouriteNumbers.begin(), mFavouriteNumbers.end(), number) != mFavouriteNumbers.end()) {
      mFavouriteIds.push_back(info.mVehicle[i].mID);
    }
  }
}

bool rF2kovrel::IsFavourite(std::int32_t id) const {
  return std::find(mFavouriteIds.begin(), mFavouriteIds.end(), id) != mFavouriteIds.end();
}

int rF2kovrel::RotationShare(std::int32_t id) const {
  if (!IsFavourite(id)) return 1;
  const double times = favourfactor >= 1.0 ? std::min(favourfactor, kMostTimesPerRotation) : 1.0;
  return static_cast<int>(std::lround(times));
}
