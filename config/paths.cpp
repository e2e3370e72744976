#include "config/paths.hpp"

std::string FolderPartOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(0, separator);
}

std::string IniPathFor(const char* pathEntry) {
  return FolderPartOf(pathEntry != nullptr ? pathEntry : "") + "\\rF2kovrel.ini";
}

std::string DefaultFilesPathFor(const std::string& iniPath) {
  return FolderPartOf(iniPath) + "\\rF2stream";
}
