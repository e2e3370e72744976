// The classes of a synthetic field as the command line gives them.
#include <cstdlib>
#include <set>
#include <sstream>

#include "sessions/generator.hpp"

namespace ksim {

namespace {

constexpr int kMaxCars = 100;

bool Fail(std::string& problem, const std::string& text) {
  problem = text;
  return false;
}

// A whole number or a decimal, nothing after it.
bool ReadNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size();
}

}  // namespace

bool ParseFieldClasses(const std::string& list, std::vector<FieldClass>& classes, std::string& problem) {
  classes.clear();
  std::set<std::string> names;
  int total = 0;
  std::stringstream items(list);
  std::string item;
  while (std::getline(items, item, ',')) {
    const std::size_t first = item.find(':'), second = item.find(':', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos || item.find(':', second + 1) != std::string::npos) {
      return Fail(problem, "\"" + item + "\" is not NAME:CARS:LAP-FACTOR");
    }
    FieldClass c;
    c.name = item.substr(0, first);
    double cars = 0.0;
    if (c.name.empty()) return Fail(problem, "\"" + item + "\" names no class");
    if (!ReadNumber(item.substr(first + 1, second - first - 1), cars) || cars != static_cast<int>(cars)) {
      return Fail(problem, "class " + c.name + ": \"" + item.substr(first + 1, second - first - 1) + "\" is not a number of cars");
    }
    if (cars < 1) return Fail(problem, "class " + c.name + " has no cars");
    if (!ReadNumber(item.substr(second + 1), c.lapFactor)) {
      return Fail(problem, "class " + c.name + ": \"" + item.substr(second + 1) + "\" is not a lap-time factor");
    }
    if (!(c.lapFactor >= 1.0)) return Fail(problem, "class " + c.name + ": lap-time factor below 1 (a factor of --lap-time, the fastest lap)");
    if (c.lapFactor > 10.0) return Fail(problem, "class " + c.name + ": lap-time factor above 10");
    if (!names.insert(c.name).second) return Fail(problem, "class " + c.name + " is named twice");
    c.cars = static_cast<int>(cars);
    total += c.cars;
    if (total > kMaxCars) return Fail(problem, "more than " + std::to_string(kMaxCars) + " cars in all");
    classes.push_back(c);
  }
  if (classes.empty() || list.empty() || list.back() == ',') return Fail(problem, "\"" + list + "\" is not NAME:CARS:LAP-FACTOR,...");
  return true;
}

}  // namespace ksim
