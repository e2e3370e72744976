#include "host/files_copy.hpp"

#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

std::string CopyFilesFolder(const std::string& filesFolder, const std::string& workFolder, const std::string& session,
                            double seconds) {
  const fs::path target =
      fs::u8path(workFolder) / fs::u8path("files-" + session + "-" + std::to_string(std::lround(seconds)) + "s");
  std::error_code error;
  fs::remove_all(target, error);
  fs::create_directories(target, error);
  if (error) throw std::runtime_error("cannot create " + target.u8string() + ": " + error.message());
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::u8path(filesFolder), error)) {
    if (!entry.is_regular_file()) continue;
    // The plug-in's temporary files are half a document.
    if (entry.path().extension() == ".kovrel-tmp") continue;
    fs::copy_file(entry.path(), target / entry.path().filename(), fs::copy_options::overwrite_existing, error);
    if (error) break;
  }
  if (error) throw std::runtime_error("cannot copy the files folder " + filesFolder + ": " + error.message());
  return target.u8string();
}
