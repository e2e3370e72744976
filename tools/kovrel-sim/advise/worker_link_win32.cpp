#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "advise/worker_link.hpp"
#include "common/process.hpp"
#include "common/wide_text.hpp"

namespace ksim {

namespace {

// One argument as CommandLineToArgvW reads it back: quoted when it holds
// blanks or quotes, with backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

// Ctrl-C, Ctrl-Break, a closed console: seen by the pool that is waiting.
std::mutex gMutex;
std::condition_variable gWake;
bool gInterrupted = false;

void NoteInterrupt() {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gInterrupted = true;
  }
  gWake.notify_all();
}

BOOL WINAPI OnConsoleEvent(DWORD) {
  NoteInterrupt();
  return TRUE;
}

}  // namespace

struct WorkerLinks::State {
  struct Worker {
    HANDLE process = nullptr;
    HANDLE toWorker = nullptr;
    HANDLE fromWorker = nullptr;
    std::thread reader;
    std::deque<std::string> lines;  // answered, not yet taken
    bool ended = false;             // its output closed
  };
  std::deque<Worker> workers;

  // Reads the worker's answers into its line queue until its output ends.
  void Read(Worker& worker) {
    std::string buffer;
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(worker.fromWorker, chunk, sizeof chunk, &n, nullptr) && n > 0) {
      buffer.append(chunk, n);
      std::size_t end;
      while ((end = buffer.find('\n')) != std::string::npos) {
        std::string line = buffer.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        buffer.erase(0, end + 1);
        std::lock_guard<std::mutex> lock(gMutex);
        worker.lines.push_back(std::move(line));
        gWake.notify_all();
      }
    }
    std::lock_guard<std::mutex> lock(gMutex);
    worker.ended = true;
    gWake.notify_all();
  }

  void Start(const WorkerLaunch& launch) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childIn = nullptr, parentOut = nullptr, parentIn = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &parentOut, &inheritable, 0)) {
      throw std::runtime_error("cannot start a worker: " + SystemMessage(GetLastError()));
    }
    if (!CreatePipe(&parentIn, &childOut, &inheritable, 0)) {
      const DWORD error = GetLastError();
      CloseHandle(childIn);
      CloseHandle(parentOut);
      throw std::runtime_error("cannot start a worker: " + SystemMessage(error));
    }
    // Only the child's ends go to the child.
    SetHandleInformation(parentOut, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(parentIn, HANDLE_FLAG_INHERIT, 0);

    const std::wstring program = Widen(ProgramFile());
    std::wstring commandLine = Quoted(program);
    for (const std::string& argument : launch.arguments) commandLine += L" " + Quoted(Widen(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &started);
    const DWORD error = GetLastError();
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!ok) {
      CloseHandle(parentOut);
      CloseHandle(parentIn);
      throw std::runtime_error("cannot start a worker: " + SystemMessage(error));
    }
    CloseHandle(started.hThread);
    Worker& worker = workers.emplace_back();
    worker.process = started.hProcess;
    worker.toWorker = parentOut;
    worker.fromWorker = parentIn;
    worker.reader = std::thread([this, &worker]() { Read(worker); });
  }

  // Closing a worker's input ends it after its current candidate; after an
  // interrupt it is not waited for.
  void StopAll() {
    bool interrupted;
    {
      std::lock_guard<std::mutex> lock(gMutex);
      interrupted = gInterrupted;
    }
    for (Worker& worker : workers) {
      CloseHandle(worker.toWorker);
      if (interrupted) TerminateProcess(worker.process, 1);
    }
    for (Worker& worker : workers) {
      WaitForSingleObject(worker.process, INFINITE);
      // Its output is closed with it: the reader sees the end.
      if (worker.reader.joinable()) worker.reader.join();
      CloseHandle(worker.fromWorker);
      CloseHandle(worker.process);
    }
    workers.clear();
  }
};

WorkerLinks::WorkerLinks(const std::vector<WorkerLaunch>& workers) : mState(std::make_unique<State>()) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gInterrupted = false;
  }
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  try {
    for (const WorkerLaunch& launch : workers) mState->Start(launch);
  } catch (...) {
    mState->StopAll();
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    throw;
  }
}

WorkerLinks::~WorkerLinks() {
  mState->StopAll();
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool WorkerLinks::Send(std::size_t worker, const std::string& line) {
  const std::string text = line + "\n";
  std::size_t sent = 0;
  while (sent < text.size()) {
    DWORD n = 0;
    if (!WriteFile(mState->workers[worker].toWorker, text.data() + sent, static_cast<DWORD>(text.size() - sent), &n,
                   nullptr) ||
        n == 0) {
      return false;
    }
    sent += n;
  }
  return true;
}

std::pair<std::size_t, std::string> WorkerLinks::Next(const std::vector<bool>& waiting) {
  std::unique_lock<std::mutex> lock(gMutex);
  for (;;) {
    if (gInterrupted) throw std::runtime_error("interrupted");
    for (std::size_t w = 0; w < mState->workers.size(); ++w) {
      State::Worker& worker = mState->workers[w];
      if (!waiting[w]) continue;
      if (!worker.lines.empty()) {
        std::string line = std::move(worker.lines.front());
        worker.lines.pop_front();
        return {w, line};
      }
      if (worker.ended) throw std::runtime_error("a worker process stopped in the middle of an evaluation");
    }
    gWake.wait(lock);
  }
}

void RaiseInterrupt() { NoteInterrupt(); }

}  // namespace ksim
