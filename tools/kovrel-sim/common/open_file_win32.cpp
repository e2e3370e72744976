#include <cstdio>

#include "common/open_file.hpp"
#include "common/wide_text.hpp"

namespace ksim {

// The wide call: fopen would read the name in the ANSI code page.
std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
  return _wfopen(Widen(utf8Path).c_str(), Widen(mode).c_str());
}

}  // namespace ksim
