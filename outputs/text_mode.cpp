#include "outputs/text_mode.hpp"

#include <algorithm>

#include "outputs/file_io.hpp"

std::string ToCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
  std::size_t from = 0;
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', from)) {
    out.append(text, from, at - from);
    out += "\r\n";
    from = at + 1;
  }
  out.append(text, from, std::string::npos);
  return out;
}

bool RewriteTextFile(const std::string& path, const std::string& text) {
  return ReplaceFileContents(path, ToCrLf(text));
}
