#include "outputs/text_mode.hpp"

#include "outputs/file_io.hpp"

std::string ToCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

bool RewriteTextFile(const std::string& path, const std::string& text) {
  return ReplaceFileContents(path, ToCrLf(text));
}
