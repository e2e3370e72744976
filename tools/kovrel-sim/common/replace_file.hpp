// Writing a file whole or not at all: readers never see half of it.
#pragma once

#include <string>

namespace ksim {

// Writes `bytes` to a temporary file beside `path` and renames it over
// `path`. On any failure the temporary file is removed, `path` keeps what it
// held, and std::runtime_error names `what` and the path.
void ReplaceFile(const std::string& path, const std::string& bytes, const std::string& what);

}  // namespace ksim
