// Workers are bare Windows threads rather than std::threads: the thread's last
// act, FreeLibraryAndExitThread, releases this module and ends the thread
// without returning into code that may just have been unmapped.
#include "webclient/worker.hpp"

#include <windows.h>

#include <new>

namespace {

struct WorkerStart {
  WorkerCall call;
  HMODULE module;  // the reference that keeps this module loaded
};

DWORD WINAPI RunWorker(LPVOID parameter) {
  WorkerStart* start = static_cast<WorkerStart*>(parameter);
  const WorkerCall call = start->call;
  const HMODULE module = start->module;
  delete start;
  RunWorkerCall(call);
  FreeLibraryAndExitThread(module, 0);
}

// Takes a reference on the module that holds this code.
HMODULE PinThisModule() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCSTR>(&RunWorker), &module)) {
    return nullptr;
  }
  return module;
}

}  // namespace

bool StartWorkerCall(const WorkerCall& call) noexcept {
  const HMODULE module = PinThisModule();
  if (module == nullptr) return false;
  WorkerStart* start = new (std::nothrow) WorkerStart{call, module};
  if (start == nullptr) {
    FreeLibrary(module);
    return false;
  }
  NoteWorkerStarting();
  HANDLE thread = CreateThread(nullptr, 0, RunWorker, start, 0, nullptr);
  if (thread == nullptr) {
    NoteWorkerNotStarted();
    delete start;
    FreeLibrary(module);
    return false;
  }
  CloseHandle(thread);  // detached: nothing waits for it
  return true;
}
