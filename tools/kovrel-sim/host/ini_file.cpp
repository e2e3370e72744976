#include "host/ini_file.hpp"

#include <filesystem>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/text.hpp"

namespace ksim {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool IsSection(const std::string& line, std::string& name) {
  const std::string trimmed = Trim(line);
  if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') return false;
  name = Trim(trimmed.substr(1, trimmed.size() - 2));
  return true;
}

}  // namespace

bool ParseSetting(const std::string& text, Setting& setting) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  setting.first = Trim(text.substr(0, equals));
  setting.second = Trim(text.substr(equals + 1));
  return !setting.first.empty();
}

std::string WriteSettingsFile(const std::string& folder, const std::string& templatePath,
                              const std::vector<Setting>& settings) {
  const std::string path = folder + "/rF2kovrel.ini";
  if (templatePath.empty() && settings.empty()) {
    std::remove(path.c_str());
    return path;
  }
  std::vector<std::string> lines;
  if (!templatePath.empty()) {
    std::ifstream in(std::filesystem::u8path(templatePath), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the settings file " + templatePath);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
  }
  // Later settings of the same key win.
  std::vector<Setting> pending;
  for (const Setting& s : settings) {
    const auto same = std::find_if(pending.begin(), pending.end(),
                                   [&](const Setting& p) { return Lower(p.first) == Lower(s.first); });
    if (same != pending.end()) {
      same->second = s.second;
    } else {
      pending.push_back(s);
    }
  }
  std::vector<std::string> out;
  bool inSection = false;
  bool sectionSeen = false;
  const auto flush = [&]() {
    for (const Setting& s : pending) out.push_back(s.first + "=" + s.second);
    pending.clear();
  };
  for (const std::string& line : lines) {
    std::string name;
    if (IsSection(line, name)) {
      if (inSection) flush();
      inSection = Lower(name) == "kovrel";
      sectionSeen = sectionSeen || inSection;
      out.push_back(line);
      continue;
    }
    Setting existing;
    if (inSection && ParseSetting(line, existing)) {
      const auto match = std::find_if(pending.begin(), pending.end(),
                                      [&](const Setting& p) { return Lower(p.first) == Lower(existing.first); });
      if (match != pending.end()) {
        out.push_back(existing.first + "=" + match->second);
        pending.erase(match);
        continue;
      }
    }
    out.push_back(line);
  }
  if (inSection) flush();
  if (!sectionSeen) {
    out.push_back("[KOVREL]");
    flush();
  }
  std::ofstream file(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  for (const std::string& line : out) file << line << '\n';
  if (!file) throw std::runtime_error("cannot write the settings file " + path);
  return path;
}

}  // namespace ksim
