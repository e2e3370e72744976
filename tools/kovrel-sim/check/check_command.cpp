// `kovrel-sim check-ini`: the settings check on a file, with the user's
// results files for the contact scale.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>

#include "check/check.hpp"
#include "sessions/results_file.hpp"

namespace ksim {

CheckIniCommand::CheckIniCommand(CLI::App& app) {
  mCommand = app.add_subcommand(
      "check-ini",
      "read an rF2kovrel.ini as the plug-in reads it and say what it would ignore, misread or not be able to use; "
      "exit status 1 when anything is found");
  mCommand->add_option("file", mIni, "the rF2kovrel.ini to check")->required()->check(CLI::ExistingFile);
  mCommand->add_option("--results", mResults,
                       "your results files (the simulator's XML): the contact thresholds are checked against "
                       "the strengths they report")
      ->check(CLI::ExistingFile);
}

bool CheckIniCommand::Chosen() const { return mCommand != nullptr && mCommand->parsed(); }

int CheckIniCommand::Run() const {
  CheckContext context;
  std::vector<std::string> problems;
  try {
    for (const std::string& results : mResults) {
      const RecordedSession session = ReadResultsFile(results);
      context.strongestContact = std::max({context.strongestContact, 0.0, StrongestContact(session)});
      const std::vector<std::string> numbers = CarNumbersOf(session);
      context.carNumbers.insert(context.carNumbers.end(), numbers.begin(), numbers.end());
      context.carNumbersKnown = true;
    }
    problems = CheckSettings(ReadIniContents(mIni), context);
  } catch (const std::exception& error) {
    std::cerr << "kovrel-sim check-ini: " << error.what() << '\n';
    return 2;
  }
  for (const std::string& problem : problems) std::cout << mIni << ": " << problem << '\n';
  if (problems.empty()) {
    std::cout << mIni << ": the plug-in reads every setting as written\n";
    return 0;
  }
  return 1;
}

std::unique_ptr<CheckIniCommand> AddCheckIniCommand(CLI::App& app) { return std::make_unique<CheckIniCommand>(app); }

}  // namespace ksim
