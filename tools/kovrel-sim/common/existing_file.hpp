// The command line's check that a file exists, for names in UTF-8: CLI11's
// own reads the name in the system's code page on Windows and would miss
// "Données".
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>
#include <system_error>

namespace ksim {

inline CLI::Validator ExistingFile() {
  return CLI::Validator(
      [](std::string& path) {
        std::error_code error;
        return std::filesystem::is_regular_file(std::filesystem::u8path(path), error)
                   ? std::string()
                   : "File does not exist: " + path;
      },
      "FILE");
}

}  // namespace ksim
