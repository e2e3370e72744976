#include "config/folder.hpp"

#include <windows.h>

void CreateOneFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }
