#include "plugin/text.hpp"

#include <cctype>
#include <cstring>

bool EqualsIgnoringCase(const std::string& text, const char* word) {
  const std::size_t length = std::strlen(word);
  if (text.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const int a = std::tolower(static_cast<unsigned char>(text[i]));
    const int b = std::tolower(static_cast<unsigned char>(word[i]));
    if (a != b) return false;
  }
  return true;
}

std::string TextOfField(const char* field, std::size_t size) {
  std::size_t length = 0;
  while (length < size && field[length] != '\0') ++length;
  return std::string(field, length);
}
