#include "config/folder.hpp"

#include <sys/stat.h>

#include <algorithm>

void CreateOneFolder(const std::string& path) {
  std::string posixPath = path;
  std::replace(posixPath.begin(), posixPath.end(), '\\', '/');
  // mkdir creates the last component only, as CreateDirectoryA does.
  ::mkdir(posixPath.c_str(), 0755);
}
