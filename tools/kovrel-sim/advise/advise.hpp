// The settings advisor: plays a league's own results files through the real
// plug-in under many candidate settings, scores each by the broadcast
// coverage, and writes the best as a complete rF2kovrel.ini with a page
// telling what each change did.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "advise/advice_report.hpp"
#include "advise/advised_ini.hpp"
#include "advise/evaluation.hpp"
#include "advise/paired_gain.hpp"
#include "advise/search.hpp"
#include "advise/search_space.hpp"
#include "advise/worker_pool.hpp"

namespace CLI {
class App;
}

namespace ksim {

struct AdviseOptions {
  std::vector<std::string> results;
  std::vector<std::string> traces;  // snapshot traces, played beside the results files
  std::string ini;
  std::vector<std::string> fixes;  // KEY=VALUE
  int jobs = 1;
  // One pass over every key's values from the defaults takes 47.
  int budget = 48;
  int seeds = 3;
  std::string out = "rF2kovrel-advised.ini";
  std::string report = "advise-report.html";
  std::string pluginPath;
  int interruptAfter = 0;  // raise an interrupt after so many evaluations (tests); 0 never
};

// The whole command: checks, search, table, checks of carry-over, files.
// Returns the exit status: 0 done, 2 refused (nothing written), 1 failed.
int RunAdvice(const AdviseOptions& options, std::ostream& out, std::ostream& err, bool terminal);

// What the hidden worker command is given (see WorkerArguments).
struct WorkerOptions {
  std::string pluginPath;
  std::string workFolder;
  std::string settingsTemplate;
  std::vector<std::uint64_t> seeds;
  std::vector<std::string> results;
};

// The "advise" subcommand of kovrel-sim, and its hidden worker command.
class AdviseCommand {
 public:
  AdviseCommand(CLI::App& app, const std::string& defaultPlugin);
  bool Chosen() const;
  int Run() const;

 private:
  CLI::App* mCommand = nullptr;
  CLI::App* mWorker = nullptr;
  AdviseOptions mOptions;
  WorkerOptions mWorkerOptions;
};

}  // namespace ksim
