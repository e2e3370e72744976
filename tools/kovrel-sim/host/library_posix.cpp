#include <dlfcn.h>

#include "host/library.hpp"

namespace ksim {

void* OpenLibrary(const std::string& path, std::string& why) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = dlerror();
    why = error != nullptr ? error : "unknown error";
  }
  return handle;
}

void* LibrarySymbol(void* library, const char* name) {
  dlerror();
  return dlsym(library, name);
}

}  // namespace ksim
