#include "common/replace_file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace ksim {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, const std::string& why,
                       const std::filesystem::path& temporary) {
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);
  throw std::runtime_error("cannot write " + what + " " + path + ": " + why);
}

}  // namespace

void ReplaceFile(const std::string& path, const std::string& bytes, const std::string& what) {
  // Beside the target, so that the rename stays within one file system.
  std::filesystem::path temporary = std::filesystem::u8path(path);
  temporary += ".part";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) Fail(what, path, std::strerror(errno), temporary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) Fail(what, path, std::strerror(errno), temporary);
  }
  std::error_code error;
  std::filesystem::rename(temporary, std::filesystem::u8path(path), error);
  if (error) Fail(what, path, error.message(), temporary);
}

}  // namespace ksim
