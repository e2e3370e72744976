#include <windows.h>

#include <stdexcept>

#include "common/wide_text.hpp"
#include "host/plugin_path.hpp"

namespace ksim {

std::string PathForPlugin(const std::string& utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  BOOL lossy = FALSE;
  // No "best fit": a letter the code page lacks must not become a look-alike
  // that names another folder.
  const int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &lossy);
  std::string ansi(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, ansi.data(), length, nullptr, &lossy);
  if (lossy || length == 0) {
    throw std::runtime_error("the path " + utf8 + " has characters that Windows' code page " +
                             std::to_string(GetACP()) +
                             " cannot hold, and the simulator hands the plug-in its paths in that code page: "
                             "choose a folder whose name it can hold");
  }
  return ansi;
}

}  // namespace ksim
