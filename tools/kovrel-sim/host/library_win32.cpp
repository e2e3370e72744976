#include <windows.h>

#include <cstring>
#include <filesystem>

#include "common/wide_text.hpp"
#include "host/library.hpp"

namespace ksim {

void* OpenLibrary(const std::string& path, std::string& why) {
  // The wide call, so that any folder name loads; the library's own
  // dependencies are looked for beside it first.
  const std::filesystem::path file = std::filesystem::absolute(std::filesystem::u8path(path));
  HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) why = SystemMessage(GetLastError());
  return reinterpret_cast<void*>(module);
}

void* LibrarySymbol(void* library, const char* name) {
  const FARPROC address = GetProcAddress(static_cast<HMODULE>(library), name);
  // A function's address as a plain pointer, as dlsym gives it.
  void* plain = nullptr;
  static_assert(sizeof plain == sizeof address, "function and data pointers differ in size");
  std::memcpy(&plain, &address, sizeof plain);
  return plain;
}

}  // namespace ksim
