// Opening a shared library by its path and finding its exported names, as the
// operating system does it. A library once opened stays loaded for the life of
// the process.
#pragma once

#include <string>

namespace ksim {

// The library's handle, or null with `why` telling the loader's reason.
void* OpenLibrary(const std::string& path, std::string& why);
// The address exported under `name`, or null.
void* LibrarySymbol(void* library, const char* name);

}  // namespace ksim
