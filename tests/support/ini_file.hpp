// Files that tests lay out before the plug-in reads them.
#pragma once

#include <string>

// Writes the bytes exactly as given (no line-feed translation).
void WriteFileBytes(const std::string& path, const std::string& bytes);
