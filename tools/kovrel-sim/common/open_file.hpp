// A C stream on a file named in UTF-8, whatever the system's code page.
#pragma once

#include <cstdio>
#include <string>

namespace ksim {

// As std::fopen; null when the file cannot be opened.
std::FILE* OpenFile(const std::string& utf8Path, const char* mode);

}  // namespace ksim
