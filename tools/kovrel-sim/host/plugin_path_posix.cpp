#include "host/plugin_path.hpp"

namespace ksim {

// Linux paths are bytes; the plug-in gets them as they are.
std::string PathForPlugin(const std::string& utf8) { return utf8; }

}  // namespace ksim
