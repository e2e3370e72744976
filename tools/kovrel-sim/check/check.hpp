// The settings check: reads an rF2kovrel.ini as the plug-in reads it and says,
// one plain line each, what the plug-in would ignore, misread or be unable to
// use. `kovrel-sim check-ini` prints it; a run with --ini or --set prints it as
// warnings before it starts.
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/ini_file.hpp"

namespace CLI {
class App;
}

namespace ksim {

struct RecordedSession;

// One "key=value" line of the section [KOVREL], as the plug-in's profile
// reads find it (blanks trimmed, one pair of quotes taken off).
struct IniEntry {
  std::string key;
  std::string value;
  bool hasValue = true;  // false for a line with no "="
  std::string where;     // "line 7", or "--set"
};

struct IniContents {
  bool hasSection = false;
  std::vector<IniEntry> entries;
  std::vector<std::string> ignoredSections;  // "line 30": a second [KOVREL], never read
};

// Throws std::runtime_error when the file cannot be read.
IniContents ReadIniContents(const std::string& path);

// What the check knows besides the file: the strongest contact of the
// user's results files (negative: no files given; 0: files without contacts).
struct CheckContext {
  double strongestContact = -1.0;
  // The car numbers of the user's results files, for the favourites.
  bool carNumbersKnown = false;
  std::vector<std::string> carNumbers;
};

// One line per problem; none when the plug-in reads every setting as meant.
std::vector<std::string> CheckSettings(const IniContents& contents, const CheckContext& context);

// The settings of a run: the file `iniPath` (when not empty) with the --set
// settings in place of its own values.
IniContents RunSettings(const std::string& iniPath, const std::vector<Setting>& sets);

// Before a run given --ini or --set: a warning line per problem of its
// settings. False, with a message, when the file cannot be read.
bool WarnAboutRunSettings(std::ostream& err, const std::string& iniPath, const std::vector<Setting>& sets,
                          const CheckContext& context);

// A known key within two edits of the unknown name ("waitsek" -> "waitsec");
// empty when none is that close.
std::string NearestKey(const std::string& name);

// Why a --set is refused ("scoring" is not a setting...); empty when the key is known.
std::string UnknownKeyProblem(const std::string& key);

// The broadcaster's keys: each one the plug-in leaves off because autokey or
// another action has its key. `first` holds each key's first line, by the
// key table's name.
std::vector<std::string> HandKeyProblems(const std::map<std::string, const IniEntry*>& first);
// A favourites list that is no list, or names numbers no car of the results files has.
std::string FavouritesProblem(const IniEntry& entry, const CheckContext& context);
// The numbers of a results file's cars, each held by one car alone.
std::vector<std::string> CarNumbersOf(const RecordedSession& session);

// The strongest contact that a results file's stream reports; 0 for none.
double StrongestContact(const RecordedSession& session);

// The "check-ini" subcommand.
class CheckIniCommand {
 public:
  explicit CheckIniCommand(CLI::App& app);
  bool Chosen() const;
  int Run() const;

 private:
  CLI::App* mCommand = nullptr;
  std::string mIni;
  std::vector<std::string> mResults;
};

std::unique_ptr<CheckIniCommand> AddCheckIniCommand(CLI::App& app);

}  // namespace ksim
