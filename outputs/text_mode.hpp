// Text written to the files folder reaches the disk as Windows text mode would
// write it: every line feed as CR LF, on every platform.
#pragma once

#include <string>

std::string ToCrLf(const std::string& text);
