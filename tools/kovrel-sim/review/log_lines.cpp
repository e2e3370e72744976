#include "review/log_lines.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iterator>
#include <string>


namespace ksim {

namespace {

bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

// The number behind `key` (searched from `from` on); moves `from` past it.
bool ReadNumber(std::string_view line, std::string_view key, std::size_t& from, double& value) {
  const std::size_t at = line.find(key, from);
  if (at == std::string_view::npos) return false;
  const char* begin = line.data() + at + key.size();
  const char* end = line.data() + line.size();
  // std::from_chars for doubles is missing from some standard libraries still in use.
  std::string digits(begin, static_cast<std::size_t>(std::min<std::ptrdiff_t>(end - begin, 32)));
  char* stop = nullptr;
  value = std::strtod(digits.c_str(), &stop);
  if (stop == digits.c_str()) return false;
  from = at + key.size() + static_cast<std::size_t>(stop - digits.c_str());
  return true;
}

template <typename Int>
bool ReadInt(std::string_view line, std::string_view key, std::size_t& from, Int& value) {
  const std::size_t at = line.find(key, from);
  if (at == std::string_view::npos) return false;
  const char* begin = line.data() + at + key.size();
  const auto [stop, error] = std::from_chars(begin, line.data() + line.size(), value);
  if (error != std::errc()) return false;
  from = static_cast<std::size_t>(stop - line.data());
  return true;
}

bool ReadState(std::string_view line, StateLine& s) {
  std::size_t at = 0;
  // The fields come in a fixed order; the setting showinpit between ph= and
  // intdiff= is free text, so each search starts behind the field before it.
  if (!ReadNumber(line, "t=", at, s.t) || !ReadInt(line, " ses=", at, s.session) || !ReadInt(line, " ph=", at, s.phase)) {
    return false;
  }
  if (!ReadInt(line, " wait=", at, s.waitsec)) return false;
  std::size_t back = line.find(" obdiff=");
  if (back == std::string_view::npos || !ReadNumber(line, " obdiff=", back, s.onboarddiff)) return false;
  long long streamLength = 0;
  return ReadInt(line, " aveh=", at, s.onAir) && ReadInt(line, " rveh=", at, s.replayCar) &&
         ReadInt(line, " rep=", at, s.replayActive) && ReadInt(line, " wpath=", at, s.cameraPath) &&
         ReadInt(line, " stream_len=", at, streamLength) && at == line.size();
}

bool ReadValues(std::string_view line, IncidentValues& v) {
  std::size_t at = 0;
  return ReadNumber(line, "lowinc=", at, v.lowinc) && ReadNumber(line, ", highinc=", at, v.highinc) &&
         ReadNumber(line, ", pincsize=", at, v.candidate);
}

bool ReadManual(std::string_view line, LogLine& out) {
  static const char* const kActions[] = {"hold", "release", "next", "previous", "leader", "replay", "resume"};
  const std::string_view rest = line.substr(std::string_view("Manual : ").size());
  const std::size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) return false;
  const std::string_view action = rest.substr(0, blank);
  if (std::find(std::begin(kActions), std::end(kActions), action) == std::end(kActions)) return false;
  out.manualAction = std::string(action);
  std::size_t at = 0;
  double time = 0.0;
  std::int32_t id = 0;
  return ReadNumber(line, " t=", at, time) && ReadInt(line, " id=", at, id) && at == line.size();
}

}  // namespace

LogLine ReadLogLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  LogLine out;
  if (StartsWith(line, "t=")) {
    out.kind = ReadState(line, out.state) ? LogLineKind::State : LogLineKind::Broken;
  } else if (line == "Auto camera: on") {
    out.kind = LogLineKind::AutoOn;
  } else if (line == "Auto camera: off") {
    out.kind = LogLineKind::AutoOff;
  } else if (StartsWith(line, "Incident : ") || StartsWith(line, "<Incident ")) {
    out.kind = LogLineKind::IncidentText;
  } else if (StartsWith(line, "Live replay : t=")) {
    std::size_t at = 0;
    out.kind = ReadNumber(line, "Live replay : t=", at, out.liveReplayMoment) ? LogLineKind::LiveReplay : LogLineKind::Broken;
  } else if (StartsWith(line, "Manual : ")) {
    out.kind = ReadManual(line, out) ? LogLineKind::Manual : LogLineKind::Broken;
  } else if (StartsWith(line, "lowinc=")) {
    out.kind = ReadValues(line, out.values) ? LogLineKind::IncidentValues : LogLineKind::Broken;
  } else if (line.find(" >= highinc ...") != std::string_view::npos || line.find(" >= lowinc ...") != std::string_view::npos) {
    out.kind = LogLineKind::ReplayScheduled;
  }
  return out;
}

}  // namespace ksim
