#include "director/car_numbers.hpp"

#include <cstring>
#include <map>

std::string NumberInName(const char* vehicleName) {
  if (vehicleName == nullptr) return {};
  const std::size_t length = strnlen(vehicleName, sizeof(VehicleScoringInfoV01::mVehicleName));
  std::size_t hash = length;
  for (std::size_t i = 0; i < length; ++i) {
    if (vehicleName[i] == '#') hash = i;
  }
  std::string digits;
  for (std::size_t i = hash + 1; i < length && vehicleName[i] >= '0' && vehicleName[i] <= '9'; ++i) {
    digits += vehicleName[i];
  }
  return digits;
}

std::vector<std::string> UniqueCarNumbers(const VehicleScoringInfoV01* vehicles, int count) {
  std::vector<std::string> numbers;
  if (vehicles == nullptr || count <= 0) return numbers;
  std::map<std::string, int> uses;
  for (int i = 0; i < count; ++i) {
    numbers.push_back(NumberInName(vehicles[i].mVehicleName));
    if (!numbers.back().empty()) ++uses[numbers.back()];
  }
  for (std::string& n : numbers) {
    if (!n.empty() && uses[n] > 1) n.clear();
  }
  return numbers;
}
