#include "support/results_stream.hpp"

#include <cstdlib>

#include "support/director_fixture.hpp"

std::vector<StreamLine> ReadStreamLines(const std::string& resultsFile) {
  std::vector<StreamLine> lines;
  const std::string bytes = ReadFileBytes(resultsFile);
  const std::size_t open = bytes.find("<Stream>");
  const std::size_t close = bytes.find("</Stream>");
  if (open == std::string::npos || close == std::string::npos || close < open) return lines;

  std::size_t at = bytes.find('\n', open);
  while (at != std::string::npos && ++at < close) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string::npos || end > close) end = close;
    std::string text = bytes.substr(at, end - at);
    if (!text.empty() && text.back() == '\r') text.pop_back();  // the file's CR LF, not the stream's
    const std::size_t et = text.find("et=\"");
    const double time = et == std::string::npos ? 0.0 : std::strtod(text.c_str() + et + 4, nullptr);
    if (!text.empty()) lines.push_back({time, text + "\n"});
    at = end;
  }
  return lines;
}
