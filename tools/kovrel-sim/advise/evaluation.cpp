#include "advise/evaluation.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "host/host.hpp"

namespace ksim {

namespace {

double Sum(const std::array<double, kEventKinds>& values) {
  double total = 0.0;
  for (const double v : values) total += v;
  return total;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  const std::size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
  return values[middle];
}

// The search's settings on top of the candidate: the director on, no debug
// log, and the stream files where writing them costs one failed open.
std::vector<Setting> SettingsFor(const Candidate& candidate, const std::string& workFolder) {
  std::vector<Setting> settings(candidate.begin(), candidate.end());
  settings.emplace_back("auto", "1");
  settings.emplace_back("debug", "0");
  settings.emplace_back("filespath", AbsentFilesFolder(workFolder));
  return settings;
}

// Another program answering on the simulator's web-server port (the
// simulator itself, another host's tests) turns the plug-in's cuts into
// requests to it: such a run shows nothing of the candidate and is played
// again once the port is free, for about ten seconds.
RunResult PlayWithoutAWebServer(const std::vector<AdviceSession>& sessions, const RunOptions& options) {
  constexpr int kTries = 20;
  for (int attempt = 1;; ++attempt) {
    std::vector<std::unique_ptr<SessionSource>> sources;
    for (const AdviceSession& session : sessions) sources.push_back(session.make());
    RunResult result = RunSessions(sources, options);
    if (!result.webServerSeen) return result;
    if (attempt == kTries) {
      throw std::runtime_error(
          "something answers on the simulator's web-server port (127.0.0.1:6397, or the settings' webport), "
          "and the plug-in hands its cuts to it instead of the camera: close the simulator (or whatever serves "
          "there) and start again");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
}

}  // namespace

std::string AbsentFilesFolder(const std::string& workFolder) { (void)workFolder; return "kovrel-advise-absent/rF2stream"; }

namespace {

// A class name as one word of the line: bytes that would split it as %XX.
std::string EscapedName(const std::string& name) {
  std::string word;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || c == '%') {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", byte);
      word += hex;
    } else {
      word += c;
    }
  }
  return word.empty() ? "%" : word;  // an empty name still one word
}

std::string UnescapedName(const std::string& word) {
  if (word == "%") return std::string();
  std::string name;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '%' && i + 2 < word.size()) {
      name += static_cast<char>(std::strtol(word.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      name += word[i];
    }
  }
  return name;
}

}  // namespace

double Broadcast::Live() const { return Sum(live); }
double Broadcast::Replayed() const { return Sum(replayed); }


Broadcast EvaluateCandidate(const Candidate& candidate, const std::vector<AdviceSession>& sessions,
                            const EvaluationSetup& setup) {
  RunOptions options;
  options.pluginPath = setup.pluginPath;
  options.workFolder = setup.workFolder;
  options.settingsTemplate = setup.settingsTemplate;
  options.settings = SettingsFor(candidate, setup.workFolder);
  options.incidentAdditionsOnly = true;
  options.timeCallbacks = false;
  Broadcast b;
  b.fileScores.assign(sessions.size(), 0.0);
  const double seeds = static_cast<double>(std::max<std::size_t>(1, setup.seeds.size()));
  const double runs = seeds * static_cast<double>(std::max<std::size_t>(1, sessions.size()));
  double medians = 0.0;
  for (const std::uint64_t seed : setup.seeds) {
    options.directorSeed = seed;
    const RunResult result = PlayWithoutAWebServer(sessions, options);
    std::vector<double> shots;
    for (std::size_t i = 0; i < result.sessions.size(); ++i) {
      const SessionRun& run = result.sessions[i];
      const Coverage coverage = AnalyseSession(run, result.settings);
      b.score += coverage.score / runs;
      b.fileScores[i] += coverage.score / seeds;
      b.runScores.push_back(coverage.score);
      for (std::size_t k = 0; k < coverage.kinds.size(); ++k) {
        b.live[k] += coverage.kinds[k].live / seeds;
        b.replayed[k] += coverage.kinds[k].replay / seeds;
        b.count[k] += coverage.kinds[k].count / seeds;
      }
      for (const ClassCoverage& cls : coverage.byClass) {
        Broadcast::ClassFigures& figures = b.classes[cls.name];
        figures.shown += cls.shownWeight / seeds;
        figures.total += cls.totalWeight / seeds;
        for (const KindCoverage& kind : cls.kinds) figures.live += kind.live / seeds;
      }
      b.replays += coverage.penalties.replays / seeds;
      b.hours += coverage.penalties.hours / seeds;
      for (const Shot& shot : run.shots) {
        if (!shot.replay && shot.car >= 0) shots.push_back(shot.end - shot.start);
      }
    }
    medians += Median(shots);
    b.snapshots += result.snapshots;
  }
  b.medianShot = medians / seeds;
  return b;
}

std::string CandidateLine(const Candidate& candidate) {
  std::string line;
  for (const auto& [key, value] : candidate) line += key + "=" + value + "\t";
  return line;
}

Candidate ParseCandidateLine(const std::string& line) {
  Candidate candidate;
  std::istringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) {
    const std::size_t equals = field.find('=');
    if (equals != std::string::npos) candidate[field.substr(0, equals)] = field.substr(equals + 1);
  }
  return candidate;
}

std::string BroadcastLine(const Broadcast& b) {
  std::ostringstream out;
  out.precision(17);
  out << b.score << ' ' << b.replays << ' ' << b.hours << ' ' << b.medianShot << ' ' << b.snapshots << ' '
      << b.fileScores.size();
  for (const double s : b.fileScores) out << ' ' << s;
  out << ' ' << b.runScores.size();
  for (const double s : b.runScores) out << ' ' << s;
  for (std::size_t k = 0; k < b.live.size(); ++k) out << ' ' << b.live[k] << ' ' << b.replayed[k] << ' ' << b.count[k];
  out << ' ' << b.classes.size();
  for (const auto& [name, figures] : b.classes) {
    out << ' ' << EscapedName(name) << ' ' << figures.shown << ' ' << figures.total << ' ' << figures.live;
  }
  return out.str();
}

Broadcast ParseBroadcastLine(const std::string& line) {
  std::istringstream in(line);
  Broadcast b;
  std::size_t files = 0;
  in >> b.score >> b.replays >> b.hours >> b.medianShot >> b.snapshots >> files;
  b.fileScores.resize(files);
  for (double& s : b.fileScores) in >> s;
  std::size_t runs = 0;
  in >> runs;
  b.runScores.resize(in ? runs : 0);
  for (double& s : b.runScores) in >> s;
  for (std::size_t k = 0; k < b.live.size(); ++k) in >> b.live[k] >> b.replayed[k] >> b.count[k];
  std::size_t classes = 0;
  in >> classes;
  for (std::size_t i = 0; in && i < classes; ++i) {
    std::string name;
    Broadcast::ClassFigures figures;
    in >> name >> figures.shown >> figures.total >> figures.live;
    b.classes[UnescapedName(name)] = figures;
  }
  if (!in) throw std::runtime_error("a worker answered with an unreadable line: " + line);
  return b;
}

}  // namespace ksim
