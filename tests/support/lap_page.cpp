#include "support/lap_page.hpp"

namespace {

const char* const kHead =
    "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><meta http-equiv=\"refresh\" content=\"0.5\"><style>body { font-size:12pt; font-family:Sans-serif; font-weight:bold; }tr { background-size:100% 100%; }td.head { background-color:lightgray; color:black; text-align:center; }td.value { background-color:black; color:white; text-align:right; }</style></head><body>";

std::string SectorCell(const std::string& value) {
  return "<td class=\"value\" width=\"65px\">" + value + "</td>";
}

std::string LapCell(const std::string& value) {
  return "<td class=\"value\" width=\"80px\">" + value + "</td>";
}

}  // namespace

std::string LapPageWithoutTable() { return std::string(kHead) + "</body></html>"; }

std::string LapPage(const std::string& sector1, const std::string& sector2,
                    const std::string& sector3, const std::string& bestLap,
                    const std::string& currentLap) {
  return std::string(kHead) + "<table>" + "<tr><td class=\"head\" width=\"45px\">Best:</td>" +
         SectorCell(sector1) + SectorCell(sector2) + SectorCell(sector3) + LapCell(bestLap) +
         "</tr>" +
         "<tr><td class=\"head\" width=\"45px\">Dif:</td><td class=\"value\" width=\"65px\">-</td><td class=\"value\" width=\"65px\">-</td><td class=\"value\" width=\"65px\">-</td><td class=\"value\" width=\"80px\">-</td></tr>" +
         "<tr><td class=\"head\" width=\"45px\">Curr:</td><td class=\"value\" width=\"65px\">199.999</td><td class=\"value\" width=\"65px\">199.999</td><td class=\"value\" width=\"65px\">199.999</td>" +
         LapCell(currentLap) + "</tr></table>" + "</body></html>";
}
