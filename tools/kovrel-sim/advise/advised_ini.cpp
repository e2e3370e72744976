#include "advise/advised_ini.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/process.hpp"
#include "common/replace_file.hpp"
#include "common/text.hpp"
#include "config/key_table.hpp"

namespace ksim {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool StartsWithNumber(const std::string& value) {
  char* end = nullptr;
  std::strtod(value.c_str(), &end);
  return end != value.c_str();
}

// A comment with "=" would read as a key to the plug-in.
std::string Comment(std::string text) {
  std::replace(text.begin(), text.end(), '=', ':');
  return "; " + text + "\r\n";
}

std::string TempPathFor(const std::string& path) { return path + ".tmp-" + std::to_string(ProcessId()); }

}  // namespace

IniValues ReadIniValues(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the settings file " + path);
  IniValues values;
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = Trim(line);
    if (!trimmed.empty() && trimmed.front() == '[' && trimmed.find(']') != std::string::npos) {
      inSection = Lower(Trim(trimmed.substr(1, trimmed.rfind(']') - 1))) == "kovrel";
      continue;
    }
    const std::size_t equals = trimmed.find('=');
    if (!inSection || equals == std::string::npos) continue;
    const std::string key = Lower(Trim(trimmed.substr(0, equals)));
    if (!key.empty() && values.count(key) == 0) values[key] = Unquoted(Trim(trimmed.substr(equals + 1)));
  }
  return values;
}

Candidate CandidateFromIni(const IniValues& values) {
  Candidate candidate = DefaultCandidate();
  for (auto& [key, value] : candidate) {
    const auto found = values.find(key);
    if (found == values.end()) continue;
    // The plug-in's one text key takes its default only when left at "0".
    if (key == "showinpit" ? found->second != "0" : StartsWithNumber(found->second)) value = found->second;
  }
  return candidate;
}

void WriteAdvisedIni(const std::string& path, const std::vector<std::string>& header, const IniValues& user,
                     const Candidate& advice, const std::vector<KeyNote>& notes) {
  std::string text;
  for (const std::string& line : header) text += Comment(line);
  text += "[KOVREL]\r\n";
  for (const IniKey& k : PluginKeys()) {
    const auto note = std::find_if(notes.begin(), notes.end(), [&](const KeyNote& n) { return n.key == k.key; });
    if (note != notes.end()) text += Comment(note->key + " was " + note->was + ": " + note->bought);
    const auto own = user.find(k.key);
    std::string value;
    const bool atDefault = !k.searched || advice.count(k.key) == 0 || advice.at(k.key) == k.fallback;
    if (k.optIn && own == user.end() && atDefault) continue;
    if (k.searched && advice.count(k.key) != 0) {
      value = advice.at(k.key);
    } else if (own != user.end()) {
      value = own->second;
    } else if (std::strcmp(k.key, "filespath") == 0) {
      text += Comment("filespath: added by the plug-in at its first start (the rF2stream folder beside this file)");
      continue;
    } else {
      value = k.fallback;
    }
    text += std::string(k.key) + "=" + value + "\r\n";
  }
  // Keys of the plug-in that steer no direction (webport, the web server's
  // port) stay as the user's file has them.
  for (const auto& [key, value] : user) {
    const bool listed = std::any_of(PluginKeys().begin(), PluginKeys().end(), [&](const IniKey& k) { return key == k.key; });
    if (!listed && FindSettingKey(key) != nullptr) text += key + "=" + value + "\r\n";
  }
  ReplaceFile(path, text, "the advised settings");
}

std::string CheckWritable(const std::string& path) {
  const std::string temp = TempPathFor(path);
  const std::filesystem::path file = std::filesystem::u8path(temp);
  std::ofstream probe(file, std::ios::binary);
  if (!probe) return "cannot write " + path + ": " + std::strerror(errno);
  probe.close();
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return "";
}

}  // namespace ksim
