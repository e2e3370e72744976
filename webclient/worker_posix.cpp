// Workers are std::threads, detached at once.
//
// Keeping the code loaded: a worker may still be running when the host
// unloads this library. Taking a dlopen reference per worker and dropping it
// with dlclose at the worker's end would not help: when that dlclose drops the
// last reference it unmaps the code it then returns into, and std::thread's
// own clean-up after our function (the state's destructor) is instantiated in
// this library too. POSIX has no counterpart of Windows'
// FreeLibraryAndExitThread. So the first worker marks the library as never to
// be unloaded (RTLD_NODELETE on the already loaded object): it stays mapped
// for the rest of the process, which costs only its pages, and no worker can
// outlive its code.
#include "webclient/worker.hpp"

#include <dlfcn.h>
#include <link.h>

#include <thread>

namespace {

bool PinThisModule() {
  Dl_info info;
  link_map* module = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&PinThisModule), &info, reinterpret_cast<void**>(&module),
              RTLD_DL_LINKMAP) == 0 ||
      module == nullptr) {
    return false;
  }
  // Linked into the program itself: that is never unloaded.
  if (module->l_name == nullptr || module->l_name[0] == '\0') return true;
  void* handle = ::dlopen(module->l_name, RTLD_NOLOAD | RTLD_NOW | RTLD_NODELETE);
  if (handle == nullptr) return false;
  // The flag stays with the object; the reference taken here is not needed.
  ::dlclose(handle);
  return true;
}

}  // namespace

bool StartWorkerCall(const WorkerCall& call) noexcept {
  // Without the pin a worker could outlive its code: better no worker at all.
  if (!PinThisModule()) return false;
  NoteWorkerStarting();
  try {
    std::thread([call] { RunWorkerCall(call); }).detach();
    return true;
  } catch (...) {
    // std::system_error when the system has no thread to give, or bad_alloc.
    NoteWorkerNotStarted();
    return false;
  }
}
