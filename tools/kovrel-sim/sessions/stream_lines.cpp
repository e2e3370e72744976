#include "sessions/stream_lines.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ksim {

namespace {

std::string EtAttribute(double et) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", et);
  return buffer;
}

std::string NameAndId(const CarEntry& car) { return car.driver + "(" + std::to_string(car.id) + ")"; }

// Reads a number after `key` (for example "lap=") in text; false when absent.
bool NumberAfter(const std::string& text, const char* key, double& value) {
  const std::size_t at = text.find(key);
  if (at == std::string::npos) return false;
  const char* start = text.c_str() + at + std::strlen(key);
  char* end = nullptr;
  value = std::strtod(start, &end);
  return end != start;
}

}  // namespace

std::string ContactLine(double et, const CarEntry& reporter, double strength, const CarEntry* other) {
  char amount[32];
  std::snprintf(amount, sizeof amount, "%.2f", strength);
  std::string line = "<Incident et=\"" + EtAttribute(et) + "\">" + NameAndId(reporter) +
                     " reported contact (" + amount + ") with ";
  line += other != nullptr ? "another vehicle " + NameAndId(*other) : std::string("Immovable");
  line += "</Incident>\n";
  return line;
}

std::string ScoreLine(double et, const CarEntry& car, int lapsCompleted, int point, double splitTime) {
  char tail[96];
  std::snprintf(tail, sizeof tail, " lap=%d point=%d t=%.3f et=%.3f</Score>\n", lapsCompleted, point,
                splitTime >= 0.0 ? splitTime : -1.0, et);
  return "<Score et=\"" + EtAttribute(et) + "\">" + NameAndId(car) + tail;
}

bool SplitNameAndId(const std::string& text, std::string& name, std::int32_t& id) {
  const std::size_t close = text.find_last_of(')');
  if (close == std::string::npos) return false;
  const std::size_t open = text.find_last_of('(', close);
  if (open == std::string::npos || open + 1 >= close) return false;
  const std::string digits = text.substr(open + 1, close - open - 1);
  char* end = nullptr;
  const long value = std::strtol(digits.c_str(), &end, 10);
  if (end == digits.c_str() || *end != '\0') return false;
  name = text.substr(0, open);
  id = static_cast<std::int32_t>(value);
  return true;
}

bool ParseContactLine(const std::string& line, ContactReport& out) {
  const std::string open = "<Incident et=\"";
  const std::size_t start = line.find(open);
  if (start == std::string::npos) return false;
  const std::size_t textStart = line.find('>', start);
  const std::size_t textEnd = line.find("</Incident>", start);
  if (textStart == std::string::npos || textEnd == std::string::npos || textEnd < textStart) return false;
  out.et = std::strtod(line.c_str() + start + open.size(), nullptr);
  const std::string text = line.substr(textStart + 1, textEnd - textStart - 1);

  const std::string reported = " reported contact (";
  const std::size_t verb = text.find(reported);
  if (verb == std::string::npos) return false;
  if (!SplitNameAndId(text.substr(0, verb), out.reporter, out.reporterId)) return false;
  const char* amount = text.c_str() + verb + reported.size();
  char* amountEnd = nullptr;
  out.strength = std::strtod(amount, &amountEnd);
  if (amountEnd == amount) return false;
  const std::size_t with = text.find(") with ", verb);
  if (with == std::string::npos) return false;
  const std::string target = text.substr(with + 7);
  const std::string vehicle = "another vehicle ";
  out.withVehicle = target.compare(0, vehicle.size(), vehicle) == 0;
  out.other.clear();
  out.otherId = -1;
  if (out.withVehicle) {
    out.target = "another vehicle";
    if (!SplitNameAndId(target.substr(vehicle.size()), out.other, out.otherId)) return false;
  } else {
    out.target = target;
  }
  return true;
}

bool ParseTimingPoint(const std::string& text, TimingPoint& out) {
  const std::size_t lap = text.find(" lap=");
  if (lap == std::string::npos) return false;
  if (!SplitNameAndId(text.substr(0, lap), out.driver, out.id)) return false;
  const std::string fields = text.substr(lap);
  double laps = 0, point = 0, split = -1, et = 0;
  if (!NumberAfter(fields, " lap=", laps) || !NumberAfter(fields, " point=", point) ||
      !NumberAfter(fields, " t=", split) || !NumberAfter(fields, " et=", et)) {
    return false;
  }
  out.lapsCompleted = static_cast<int>(laps);
  out.point = static_cast<int>(point);
  out.splitTime = split;
  out.et = et;
  return out.point >= 0 && out.point <= 2 && out.lapsCompleted >= 0;
}

}  // namespace ksim
