#include <windows.h>

#include "common/process.hpp"
#include "common/wide_text.hpp"

namespace ksim {

int ProcessId() { return static_cast<int>(GetCurrentProcessId()); }

std::string ProgramFile() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

// No memory-backed folder: the user's temporary folder (GetTempPathW).
std::filesystem::path ScratchRoot() { return std::filesystem::temp_directory_path(); }

}  // namespace ksim
