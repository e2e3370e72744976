// A path as the simulator hands it to a plug-in: in the system's ANSI code
// page on Windows. A path that code page cannot hold cannot reach the
// plug-in at all, and is refused rather than handed over garbled.
#pragma once

#include <string>

namespace ksim {

// `utf8` in the plug-in's encoding; throws std::runtime_error naming the
// path when the code page has no character for part of it.
std::string PathForPlugin(const std::string& utf8);

}  // namespace ksim
