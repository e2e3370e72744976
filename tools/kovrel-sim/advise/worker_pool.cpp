#include "advise/worker_pool.hpp"

#include <deque>
#include <filesystem>
#include <iostream>
#include <stdexcept>

namespace ksim {

std::string AnswerCandidate(const std::string& line, const std::vector<AdviceSession>& sessions,
                            const EvaluationSetup& setup) {
  try {
    return "ok " + BroadcastLine(EvaluateCandidate(ParseCandidateLine(line), sessions, setup));
  } catch (const std::exception& error) {
    std::string message = error.what();
    for (char& c : message) c = c == '\n' ? ' ' : c;
    return "error " + message;
  }
}

std::vector<std::string> WorkerArguments(const std::vector<AdviceSession>& sessions, const EvaluationSetup& setup) {
  std::vector<std::string> arguments = {"advise-worker", "--plugin", setup.pluginPath, "--workdir", setup.workFolder};
  if (!setup.settingsTemplate.empty()) arguments.insert(arguments.end(), {"--ini", setup.settingsTemplate});
  for (const std::uint64_t seed : setup.seeds) arguments.insert(arguments.end(), {"--seed", std::to_string(seed)});
  arguments.push_back("--results");
  for (const AdviceSession& session : sessions) arguments.push_back(session.path);
  return arguments;
}

void ServeCandidates(std::istream& in, std::ostream& out, const std::vector<AdviceSession>& sessions,
                     const EvaluationSetup& setup) {
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out << AnswerCandidate(line, sessions, setup) << '\n' << std::flush;
    if (!out) return;
  }
}

WorkerPool::WorkerPool(const std::vector<AdviceSession>& sessions, const EvaluationSetup& setup, int jobs)
    : mSessions(sessions), mSetup(setup), mJobs(std::max(1, jobs)) {
  std::filesystem::create_directories(std::filesystem::u8path(mSetup.workFolder));
  if (mJobs == 1) return;
  std::vector<WorkerLaunch> specs;
  for (int i = 0; i < mJobs; ++i) specs.push_back(SpecFor(i));
  mLinks = std::make_unique<WorkerLinks>(specs);
}

WorkerPool::~WorkerPool() = default;

WorkerLaunch WorkerPool::SpecFor(int index) const {
  EvaluationSetup own = mSetup;
  own.workFolder += "/worker-" + std::to_string(index);
  WorkerLaunch launch;
  launch.arguments = WorkerArguments(mSessions, own);
  const std::vector<AdviceSession>& sessions = mSessions;
  launch.answer = [&sessions, own](const std::string& line) { return AnswerCandidate(line, sessions, own); };
  return launch;
}

std::vector<Broadcast> WorkerPool::Evaluate(const std::vector<Candidate>& candidates, const Done& done) {
  std::vector<Broadcast> results(candidates.size());
  if (!mLinks) {
    EvaluationSetup own = mSetup;
    own.workFolder += "/worker-0";
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      results[i] = EvaluateCandidate(candidates[i], mSessions, own);
      if (done) done(i, results[i]);
    }
    return results;
  }
  const std::size_t workers = static_cast<std::size_t>(mJobs);
  std::deque<std::size_t> queue;
  for (std::size_t i = 0; i < candidates.size(); ++i) queue.push_back(i);
  std::vector<long> busy(workers, -1);  // the candidate each worker holds
  std::size_t finished = 0;
  const auto assign = [&](std::size_t w) {
    if (queue.empty()) return;
    const std::size_t next = queue.front();
    queue.pop_front();
    if (!mLinks->Send(w, CandidateLine(candidates[next]))) throw std::runtime_error("a worker process stopped");
    busy[w] = static_cast<long>(next);
  };
  for (std::size_t w = 0; w < workers; ++w) assign(w);
  while (finished < candidates.size()) {
    std::vector<bool> waiting(workers);
    for (std::size_t w = 0; w < workers; ++w) waiting[w] = busy[w] >= 0;
    const auto [w, line] = mLinks->Next(waiting);
    if (line.rfind("error ", 0) == 0) throw std::runtime_error(line.substr(6));
    if (line.rfind("ok ", 0) != 0) throw std::runtime_error("a worker answered: " + line);
    const std::size_t index = static_cast<std::size_t>(busy[w]);
    results[index] = ParseBroadcastLine(line.substr(3));
    busy[w] = -1;
    ++finished;
    if (done) done(index, results[index]);
    assign(w);
  }
  return results;
}

}  // namespace ksim
