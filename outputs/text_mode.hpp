// Text written to the files folder reaches the disk as Windows text mode would
// write it: every line feed as CR LF, on every platform.
#pragma once

#include <string>

std::string ToCrLf(const std::string& text);

// Rewrites a stream file whole with the text in text mode; false when the file
// could not be written (the caller skips it silently).
bool RewriteTextFile(const std::string& path, const std::string& text);
