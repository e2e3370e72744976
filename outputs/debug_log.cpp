#include "outputs/file_io.hpp"
#include "outputs/text_mode.hpp"
#include "plugin/rF2kovrel.hpp"

bool rF2kovrel::AppendDebugText(const std::string& text) {
  if (debug == 0) return false;
  // The log follows the current files folder, unlike the stream files.
  return AppendToFile(filespath + "\\debug.log", ToCrLf(text));
}
