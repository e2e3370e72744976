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

// The scale of a results file's contact strengths, by the build it comes from.
enum class ContactScale { Unknown, Old, Rfactor2, LeMansUltimate };

// A contact as the plug-in's replay rule meets it: the two reports of a
// car-to-car contact taken as one, as strong as the stronger.
struct ContactSeen {
  double time = 0.0;
  double strength = 0.0;
  bool withVehicle = false;
};

// What one results file tells of its contacts and of the build it comes from.
struct ResultsContacts {
  std::string file;         // the file's name
  std::string game;         // "Le Mans Ultimate", "rFactor 2", or empty where the file does not say
  std::string gameVersion;  // as <GameVersion> has it
  bool race = false;
  double hours = 0.0;  // how long the race ran: its winner's time, or its minutes
  ContactScale scale = ContactScale::Unknown;
  bool scaleFromStrengths = false;  // the file names no game: its median decided
  double strongest = 0.0;           // every reported contact; 0 for none
  std::vector<double> all;          // every report's strength, sorted
  std::vector<double> carToCar;     // car-to-car reports' strengths, sorted
  std::vector<ContactSeen> contacts;  // with a car or a wall, in time order
  double CarToCarMedian() const;
  double CarToCarTopTenth() const;  // where the strongest tenth begins
};

// Replays an hour above which the coverage measure takes them for burying the
// live race.
inline constexpr double kComfortableReplaysPerHour = 8.0;

// Thresholds for a race that make about kComfortableReplaysPerHour of its
// contacts strong enough for a replay: highinc at the strength of the last
// of them (two digits, rounded down), lowinc half of it. False without contacts.
bool ComfortableThresholds(const ResultsContacts& file, double& lowinc, double& highinc);

ResultsContacts ContactsOf(const RecordedSession& session);

// "Le Mans Ultimate 1.3000", "rFactor 2 1.1131", "build 1.3000, by its
// car-to-car median of 335 Le Mans Ultimate".
std::string BuildName(const ResultsContacts& file);
const char* ScaleText(ContactScale scale);
// A strength as a person reads it: whole above 100, three digits below.
std::string Figure(double value);
// Two significant digits, written out: a threshold a user can type (335 -> 340).
std::string TwoDigits(double value);

// What the check knows besides the file: the strongest contact of the
// user's results files (negative: no files given; 0: files without contacts)
// and what each file tells of its build.
struct CheckContext {
  double strongestContact = -1.0;
  std::vector<ResultsContacts> files;
  // The car numbers of the user's results files, for the favourites.
  bool carNumbersKnown = false;
  std::vector<std::string> carNumbers;
};

// The check's context for these results files (none: the build is unknown).
// Throws ResultsFileError for a file that cannot be read.
CheckContext ContextOfResults(const std::vector<std::string>& paths);
void AddResultsToContext(CheckContext& context, const RecordedSession& session);

// "rFactor 2 1.1131 from hockenheim-race-2023.xml", one per file; an
// unknown build without files.
std::string BuildsText(const CheckContext& context);

// Before a run of a results file with no settings given: a note when the
// plug-in's own thresholds do not fit the file's scale; empty when they do.
std::string DefaultThresholdsNote(const ResultsContacts& file);

// One line per problem; none when the plug-in reads every setting as meant.
std::vector<std::string> CheckSettings(const IniContents& contents, const CheckContext& context);

// The settings of a run: the file `iniPath` (when not empty) with the --set
// settings in place of its own values.
IniContents RunSettings(const std::string& iniPath, const std::vector<Setting>& sets);

// The value of the first line of `key` (any case); empty when there is none.
std::string FirstValueOf(const IniContents& contents, const char* key);

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
