#include <cmath>
#include <cstdio>
#include <string>

#include "outputs/text_mode.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

constexpr const char* kHead =
    "<!DOCTYPE html><html><head>"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
    "<meta http-equiv=\"refresh\" content=\"0.5\">"
    "<style>body { font-size:12pt; font-family:Sans-serif; font-weight:bold; }"
    "tr { background-size:100% 100%; }"
    "td.head { background-color:lightgray; color:black; text-align:center; }"
    "td.value { background-color:black; color:white; text-align:right; }"
    "</style></head><body>";
constexpr const char* kSectorCell = "<td class=\"value\" width=\"65px\">%.3f</td>";
constexpr const char* kLapCell = "<td class=\"value\" width=\"80px\">%.0f:%06.3f</td>";
constexpr const char* kDifRow =
    "<tr><td class=\"head\" width=\"45px\">Dif:</td>"
    "<td class=\"value\" width=\"65px\">-</td><td class=\"value\" width=\"65px\">-</td>"
    "<td class=\"value\" width=\"65px\">-</td><td class=\"value\" width=\"80px\">-</td></tr>";
constexpr const char* kCurrRowStart =
    "<tr><td class=\"head\" width=\"45px\">Curr:</td>"
    "<td class=\"value\" width=\"65px\">199.999</td><td class=\"value\" width=\"65px\">199.999</td>"
    "<td class=\"value\" width=\"65px\">199.999</td>";

// One formatted cell. A number too long for the usual 128 bytes (a host's
// absurd time) gets a buffer of its size, so the cell's closing tag survives.
template <typename... Values>
std::string Cell(const char* format, Values... values) {
  char text[128];
  const int needed = std::snprintf(text, sizeof text, format, values...);
  if (needed < 0) return std::string();
  if (static_cast<std::size_t>(needed) < sizeof text) return text;
  std::string wide(static_cast<std::size_t>(needed) + 1, '\0');
  std::snprintf(&wide[0], wide.size(), format, values...);
  wide.resize(static_cast<std::size_t>(needed));
  return wide;
}

// "m:ss.sss" of a time in seconds. The time is rounded to milliseconds before
// it is split, so that a time just below a whole minute carries into the
// minutes instead of showing 60.000 seconds. Minutes round towards minus
// infinity and the seconds keep the time's sign.
std::string LapCell(double seconds) {
  const double ms = std::round(seconds * 1000.0) + 0.0;  // + 0.0 turns -0 into 0
  const double minutes = std::floor(ms / 60000.0);
  const double rest = std::fmod(ms, 60000.0) / 1000.0;
  return Cell(kLapCell, minutes, rest);
}

}  // namespace

void rF2kovrel::WriteInfoPage(int session) {
  std::string page = kHead;
  if (!mReplayRunning && session < 10) {
    page += "<table>";
    page += "<tr><td class=\"head\" width=\"45px\">Best:</td>";
    page += Cell(kSectorCell, mBestS1);
    page += Cell(kSectorCell, mBestS2 - mBestS1);
    page += Cell(kSectorCell, mBestLap - mBestS2);
    page += LapCell(mBestLap);
    page += "</tr>";
    page += kDifRow;
    page += kCurrRowStart;
    page += LapCell(mNextLapTime);
    page += "</tr></table>";
  }
  page += "</body></html>";
  RewriteTextFile(mInfoFilePath, page);
}
