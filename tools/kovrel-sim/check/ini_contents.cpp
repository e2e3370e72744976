// The section [KOVREL] as the plug-in's profile reads see it: the first
// section of that name (in any case), blanks trimmed, one pair of quotes off.
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "check/check.hpp"
#include "plugin/text.hpp"

namespace ksim {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string WithoutQuotes(const std::string& text) {
  const bool quoted = text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0];
  return quoted ? text.substr(1, text.size() - 2) : text;
}

// Lines end in CR LF, a lone LF or a lone CR.
std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t position = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (position < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", position);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(position, end - position));
    const bool crLf = end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n';
    position = end + (crLf ? 2 : 1);
  }
  return lines;
}

// A section header: "[" first and a "]" somewhere; the name ends at the last "]".
bool SectionName(const std::string& line, std::string& name) {
  const std::size_t closing = line.rfind(']');
  if (line.empty() || line[0] != '[' || closing == std::string::npos) return false;
  name = Trimmed(line.substr(1, closing - 1));
  return true;
}

IniEntry EntryOf(const std::string& line, int number) {
  IniEntry entry;
  entry.where = "line " + std::to_string(number);
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) {
    entry.key = line;
    entry.hasValue = false;
    return entry;
  }
  entry.key = Trimmed(line.substr(0, equals));
  entry.value = WithoutQuotes(Trimmed(line.substr(equals + 1)));
  return entry;
}

}  // namespace

IniContents ReadIniContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the settings file " + path);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  IniContents contents;
  bool inSection = false;
  int number = 0;
  for (const std::string& raw : SplitLines(bytes)) {
    ++number;
    const std::string line = Trimmed(raw);
    if (line.empty()) continue;
    std::string name;
    if (SectionName(line, name)) {
      const bool kovrel = EqualsIgnoringCase(name, "KOVREL");
      if (kovrel && contents.hasSection) contents.ignoredSections.push_back("line " + std::to_string(number));
      inSection = kovrel && !contents.hasSection;
      contents.hasSection = contents.hasSection || kovrel;
      continue;
    }
    if (inSection) contents.entries.push_back(EntryOf(line, number));
  }
  return contents;
}

}  // namespace ksim
