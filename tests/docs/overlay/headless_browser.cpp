#include "headless_browser.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace overlay_test {

namespace {

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && IsProgram(folder + "/" + name)) return folder + "/" + name;
  }
  return "";
}

// Whether the process has ended within `wait`. It is left unreaped, so its
// id, which is also its group's, cannot be given to another process yet.
bool Ended(int pid, std::chrono::milliseconds wait) {
  const auto end = std::chrono::steady_clock::now() + wait;
  while (std::chrono::steady_clock::now() < end) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace

bool IsProgram(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

std::string FindChromium() {
  const char* chosen = std::getenv("KOVREL_CHROMIUM");
  if (chosen != nullptr && *chosen != '\0') return chosen;
  for (const char* name : {"chromium", "chromium-browser"}) {
    std::string found = FindOnPath(name);
    if (!found.empty()) return found;
  }
  return "";
}

HeadlessBrowser::HeadlessBrowser(const std::string& program, const std::string& url, const std::string& profile,
                                 const std::string& logFile) {
  std::vector<std::string> args = {program,
                                   "--headless",
                                   "--no-sandbox",
                                   "--disable-gpu",
                                   "--disable-quic",
                                   "--no-first-run",
                                   "--disable-background-networking",
                                   "--disable-component-update",
                                   "--disable-sync",
                                   "--window-size=1920,1080",
                                   "--user-data-dir=" + profile,
                                   url};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  mPid = ::fork();
  if (mPid < 0) throw std::runtime_error("cannot start " + program);
  if (mPid == 0) {
    // A process group of its own, so that stopping it stops its helpers too.
    ::setpgid(0, 0);
    const int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
      ::dup2(log, STDOUT_FILENO);
      ::dup2(log, STDERR_FILENO);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::setpgid(mPid, mPid);
}

HeadlessBrowser::~HeadlessBrowser() {
  if (mPid <= 0) return;
  ::kill(-mPid, SIGTERM);
  Ended(mPid, std::chrono::seconds(5));
  ::kill(-mPid, SIGKILL);  // whatever of the group is left, helpers included
  ::waitpid(mPid, nullptr, 0);
}

}  // namespace overlay_test
