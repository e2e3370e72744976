#include "config/profile.hpp"

#include <windows.h>

#include <vector>

std::string ReadProfileText(const std::string& path, const std::string& section,
                            const std::string& key, const std::string& defaultText,
                            std::size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  std::vector<char> buffer(bufferSize + 1, '\0');
  const DWORD length =
      GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultText.c_str(), buffer.data(),
                               static_cast<DWORD>(bufferSize), path.c_str());
  return std::string(buffer.data(), length);
}

bool WriteProfileText(const std::string& path, const std::string& section,
                      const std::string& key, const std::string& text) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), text.c_str(), path.c_str()) !=
         FALSE;
}
