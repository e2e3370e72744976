#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "advise/worker_link.hpp"

namespace ksim {

namespace {

bool WriteAll(int fd, const std::string& text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = ::write(fd, text.data() + sent, text.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads up to a line feed; false at the end of input.
bool ReadLine(int fd, std::string& buffer, std::string& line) {
  for (;;) {
    const std::size_t end = buffer.find('\n');
    if (end != std::string::npos) {
      line = buffer.substr(0, end);
      buffer.erase(0, end + 1);
      return true;
    }
    char chunk[4096];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
  }
}

// A forked worker's life: a line in, the answer out, until its input ends.
[[noreturn]] void Serve(int in, int out, const std::function<std::string(const std::string&)>& answer) {
  std::string buffer, line;
  int status = 0;
  while (ReadLine(in, buffer, line)) {
    if (!WriteAll(out, answer(line) + "\n")) {
      status = 1;
      break;
    }
  }
  // No destructors or exit handlers of the parent's objects run here.
  ::_exit(status);
}

}  // namespace

struct WorkerLinks::State {
  struct Worker {
    pid_t pid = -1;
    int toWorker = -1;
    int fromWorker = -1;
    std::string pending;  // what it has answered so far of its current line
  };
  std::vector<Worker> workers;
  int interrupts = -1;  // a signalfd of the interrupts, held back meanwhile
  sigset_t formerMask{};

  void WatchInterrupts() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    if (::pthread_sigmask(SIG_BLOCK, &set, &formerMask) != 0) return;
    interrupts = ::signalfd(-1, &set, SFD_CLOEXEC);
    if (interrupts < 0) ::pthread_sigmask(SIG_SETMASK, &formerMask, nullptr);
  }

  void StopWatching() {
    if (interrupts < 0) return;
    ::close(interrupts);
    interrupts = -1;
    ::pthread_sigmask(SIG_SETMASK, &formerMask, nullptr);
  }

  void Start(std::size_t index, const WorkerLaunch& launch) {
    int down[2], up[2];
    if (::pipe(down) != 0) throw std::runtime_error(std::string("cannot start a worker: ") + std::strerror(errno));
    if (::pipe(up) != 0) {
      ::close(down[0]);
      ::close(down[1]);
      throw std::runtime_error(std::string("cannot start a worker: ") + std::strerror(errno));
    }
    // Whatever waits in the buffers would otherwise be written twice.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error(std::string("cannot start a worker: ") + std::strerror(errno));
    if (pid == 0) {
      ::close(down[1]);
      ::close(up[0]);
      // A worker stops at an interrupt as any program does.
      if (interrupts >= 0) {
        ::close(interrupts);
        ::pthread_sigmask(SIG_SETMASK, &formerMask, nullptr);
      }
      // The other workers' pipe ends stay with the parent.
      for (const Worker& other : workers) {
        if (other.toWorker >= 0) ::close(other.toWorker);
        if (other.fromWorker >= 0) ::close(other.fromWorker);
      }
      Serve(down[0], up[1], launch.answer);
    }
    ::close(down[0]);
    ::close(up[1]);
    Worker& worker = workers[index];
    worker.pid = pid;
    worker.toWorker = down[1];
    worker.fromWorker = up[0];
  }

  void StopAll() {
    for (Worker& worker : workers) {
      if (worker.toWorker >= 0) ::close(worker.toWorker);
      worker.toWorker = -1;
    }
    for (Worker& worker : workers) {
      if (worker.fromWorker >= 0) ::close(worker.fromWorker);
      worker.fromWorker = -1;
      if (worker.pid > 0) {
        int status = 0;
        while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
        }
      }
      worker.pid = -1;
    }
    workers.clear();
  }
};

WorkerLinks::WorkerLinks(const std::vector<WorkerLaunch>& workers) : mState(std::make_unique<State>()) {
  // A worker that dies must show as an error here, not stop this process.
  ::signal(SIGPIPE, SIG_IGN);
  mState->WatchInterrupts();
  mState->workers.resize(workers.size());
  try {
    for (std::size_t i = 0; i < workers.size(); ++i) mState->Start(i, workers[i]);
  } catch (...) {
    mState->StopAll();
    mState->StopWatching();
    throw;
  }
}

WorkerLinks::~WorkerLinks() {
  mState->StopAll();
  mState->StopWatching();
}

bool WorkerLinks::Send(std::size_t worker, const std::string& line) {
  return WriteAll(mState->workers[worker].toWorker, line + "\n");
}

std::pair<std::size_t, std::string> WorkerLinks::Next(const std::vector<bool>& waiting) {
  std::vector<State::Worker>& workers = mState->workers;
  for (;;) {
    // A line already read whole answers first.
    for (std::size_t w = 0; w < workers.size(); ++w) {
      const std::size_t end = workers[w].pending.find('\n');
      if (waiting[w] && end != std::string::npos) {
        std::string line = workers[w].pending.substr(0, end);
        workers[w].pending.erase(0, end + 1);
        return {w, line};
      }
    }
    std::vector<pollfd> fds;
    std::vector<std::size_t> owners;
    if (mState->interrupts >= 0) {
      fds.push_back(pollfd{mState->interrupts, POLLIN, 0});
      owners.push_back(workers.size());
    }
    for (std::size_t w = 0; w < workers.size(); ++w) {
      if (!waiting[w]) continue;
      fds.push_back(pollfd{workers[w].fromWorker, POLLIN, 0});
      owners.push_back(w);
    }
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::string("waiting for the workers failed: ") + std::strerror(errno));
    }
    if (mState->interrupts >= 0 && fds[0].revents != 0) {
      // Taken, so that it is not delivered (and ends the process before the
      // caller has cleaned up) once the mask is restored.
      signalfd_siginfo taken;
      while (::read(mState->interrupts, &taken, sizeof taken) < 0 && errno == EINTR) {
      }
      throw std::runtime_error("interrupted");
    }
    for (std::size_t f = 0; f < fds.size(); ++f) {
      if (fds[f].revents == 0 || owners[f] == workers.size()) continue;
      const std::size_t w = owners[f];
      std::string line;
      if (!ReadLine(workers[w].fromWorker, workers[w].pending, line)) {
        throw std::runtime_error("a worker process stopped in the middle of an evaluation");
      }
      return {w, line};
    }
  }
}

// Blocked while workers run, so it waits for the watch to read it.
void RaiseInterrupt() { ::raise(SIGINT); }

}  // namespace ksim
