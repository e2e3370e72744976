#include <unistd.h>

#include "common/process.hpp"

namespace ksim {

int ProcessId() { return static_cast<int>(::getpid()); }

std::string ProgramFile() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

std::filesystem::path ScratchRoot() {
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

}  // namespace ksim
