#include "advise/worker_pool.hpp"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iostream>
#include <stdexcept>

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

// A worker's life: a candidate in, "ok <broadcast>" or "error <message>" out,
// until its input ends.
[[noreturn]] void ServeCandidates(int in, int out, const std::vector<AdviceSession>& sessions,
                                  const EvaluationSetup& setup) {
  std::string buffer, line;
  int status = 0;
  while (ReadLine(in, buffer, line)) {
    std::string answer;
    try {
      answer = "ok " + BroadcastLine(EvaluateCandidate(ParseCandidateLine(line), sessions, setup)) + "\n";
    } catch (const std::exception& error) {
      std::string message = error.what();
      for (char& c : message) c = c == '\n' ? ' ' : c;
      answer = "error " + message + "\n";
    }
    if (!WriteAll(out, answer)) {
      status = 1;
      break;
    }
  }
  // No destructors or exit handlers of the parent's objects run here.
  ::_exit(status);
}

}  // namespace

WorkerPool::WorkerPool(const std::vector<AdviceSession>& sessions, const EvaluationSetup& setup, int jobs)
    : mSessions(sessions), mSetup(setup), mJobs(std::max(1, jobs)) {
  std::filesystem::create_directories(mSetup.workFolder);
  if (mJobs == 1) return;
  // A worker that dies must show as an error here, not stop this process.
  ::signal(SIGPIPE, SIG_IGN);
  WatchInterrupts();
  mWorkers.resize(static_cast<std::size_t>(mJobs));
  try {
    for (int i = 0; i < mJobs; ++i) Start(i);
  } catch (...) {
    StopAll();
    StopWatching();
    throw;
  }
}

WorkerPool::~WorkerPool() {
  StopAll();
  StopWatching();
}

void WorkerPool::WatchInterrupts() {
  sigset_t interrupts;
  sigemptyset(&interrupts);
  sigaddset(&interrupts, SIGINT);
  sigaddset(&interrupts, SIGTERM);
  sigaddset(&interrupts, SIGHUP);
  if (::pthread_sigmask(SIG_BLOCK, &interrupts, &mFormerMask) != 0) return;
  mInterrupts = ::signalfd(-1, &interrupts, SFD_CLOEXEC);
  if (mInterrupts < 0) ::pthread_sigmask(SIG_SETMASK, &mFormerMask, nullptr);
}

void WorkerPool::StopWatching() {
  if (mInterrupts < 0) return;
  ::close(mInterrupts);
  mInterrupts = -1;
  ::pthread_sigmask(SIG_SETMASK, &mFormerMask, nullptr);
}

void WorkerPool::Start(int index) {
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
    if (mInterrupts >= 0) {
      ::close(mInterrupts);
      ::pthread_sigmask(SIG_SETMASK, &mFormerMask, nullptr);
    }
    // The other workers' pipe ends stay with the parent.
    for (const Worker& other : mWorkers) {
      if (other.toWorker >= 0) ::close(other.toWorker);
      if (other.fromWorker >= 0) ::close(other.fromWorker);
    }
    EvaluationSetup own = mSetup;
    own.workFolder += "/worker-" + std::to_string(index);
    ServeCandidates(down[0], up[1], mSessions, own);
  }
  ::close(down[0]);
  ::close(up[1]);
  Worker& worker = mWorkers[static_cast<std::size_t>(index)];
  worker.pid = pid;
  worker.toWorker = down[1];
  worker.fromWorker = up[0];
}

void WorkerPool::StopAll() {
  for (Worker& worker : mWorkers) {
    if (worker.toWorker >= 0) ::close(worker.toWorker);
    worker.toWorker = -1;
  }
  for (Worker& worker : mWorkers) {
    if (worker.fromWorker >= 0) ::close(worker.fromWorker);
    worker.fromWorker = -1;
    if (worker.pid > 0) {
      int status = 0;
      while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
      }
    }
    worker.pid = -1;
  }
  mWorkers.clear();
}

std::vector<Broadcast> WorkerPool::Evaluate(const std::vector<Candidate>& candidates, const Done& done) {
  std::vector<Broadcast> results(candidates.size());
  if (mWorkers.empty()) {
    EvaluationSetup own = mSetup;
    own.workFolder += "/worker-0";
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      results[i] = EvaluateCandidate(candidates[i], mSessions, own);
      if (done) done(i, results[i]);
    }
    return results;
  }
  std::deque<std::size_t> queue;
  for (std::size_t i = 0; i < candidates.size(); ++i) queue.push_back(i);
  std::vector<long> busy(mWorkers.size(), -1);  // the candidate each worker holds
  std::size_t finished = 0;
  const auto assign = [&](std::size_t w) {
    if (queue.empty()) return;
    const std::size_t next = queue.front();
    queue.pop_front();
    if (!WriteAll(mWorkers[w].toWorker, CandidateLine(candidates[next]) + "\n")) {
      throw std::runtime_error("a worker process stopped");
    }
    busy[w] = static_cast<long>(next);
  };
  for (std::size_t w = 0; w < mWorkers.size(); ++w) assign(w);
  while (finished < candidates.size()) {
    std::vector<pollfd> fds;
    std::vector<std::size_t> owners;
    if (mInterrupts >= 0) {
      fds.push_back(pollfd{mInterrupts, POLLIN, 0});
      owners.push_back(mWorkers.size());
    }
    for (std::size_t w = 0; w < mWorkers.size(); ++w) {
      if (busy[w] < 0) continue;
      fds.push_back(pollfd{mWorkers[w].fromWorker, POLLIN, 0});
      owners.push_back(w);
    }
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::string("waiting for the workers failed: ") + std::strerror(errno));
    }
    if (mInterrupts >= 0 && fds[0].revents != 0) throw std::runtime_error("interrupted");
    for (std::size_t f = 0; f < fds.size(); ++f) {
      if (fds[f].revents == 0 || owners[f] == mWorkers.size()) continue;
      const std::size_t w = owners[f];
      std::string line;
      if (!ReadLine(mWorkers[w].fromWorker, mWorkers[w].pending, line)) {
        throw std::runtime_error("a worker process stopped in the middle of an evaluation");
      }
      if (line.rfind("error ", 0) == 0) throw std::runtime_error(line.substr(6));
      if (line.rfind("ok ", 0) != 0) throw std::runtime_error("a worker answered: " + line);
      const std::size_t index = static_cast<std::size_t>(busy[w]);
      results[index] = ParseBroadcastLine(line.substr(3));
      busy[w] = -1;
      ++finished;
      if (done) done(index, results[index]);
      assign(w);
    }
  }
  return results;
}

}  // namespace ksim
