// Contacts read from the simulator's results stream: the strongest recent one
// becomes the incident candidate, and a candidate strong enough for the session
// is scheduled for an instant replay.
#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

#include "plugin/rF2kovrel.hpp"

namespace {

// The strength is read from at most this many characters behind "contact (".
constexpr std::size_t kStrengthTextMax = 10;
// A candidate older than this is no longer worth a replay.
constexpr double kReplayWindowSeconds = 180.0;

// Takes what is new in the stream since the last scan into newText. The
// simulator hands only the lines added since its last update; a host that
// hands the whole stream so far is served too, since a text that begins with
// the whole previous one is new only beyond it. The same text again is
// nothing new (a snapshot handed twice); any other text is new in full. A
// first sight is taken as already seen.
void TakeNewText(const char* stream, std::string& seen, bool& seenSet, std::string& newText) {
  newText.clear();
  const char* text = stream != nullptr ? stream : "";  // no stream reads as an empty one
  const std::size_t length = std::strlen(text);
  if (!seenSet) {
    seen.assign(text, length);
    seenSet = true;
    return;
  }
  const bool extendsSeen = length > seen.size() && std::memcmp(text, seen.data(), seen.size()) == 0;
  if (extendsSeen) {
    // A whole-stream host: the remembered stream grows by the new text alone.
    newText.assign(text + seen.size(), length - seen.size());
    seen.append(newText);
  } else if (length != seen.size() || std::memcmp(text, seen.data(), length) != 0) {
    newText.assign(text, length);
    seen = newText;
  }
}

bool IsIncident(const std::string& text) {
  return text.find("Incident") != std::string::npos &&
         (text.find("Immovable") != std::string::npos ||
          text.find("vehicle") != std::string::npos);
}

// Position of the literal's first occurrence, -1 when it does not occur.
long long FirstAt(const std::string& text, const char* literal) {
  const std::size_t at = text.find(literal);
  return at == std::string::npos ? -1 : static_cast<long long>(at);
}

// `count` characters from `from`; to the end of the text where the count is
// negative or reaches past it.
std::string TextFrom(const std::string& text, long long from, long long count) {
  const auto size = static_cast<long long>(text.size());
  if (from < 0) from = 0;
  if (from > size) from = size;
  if (count < 0 || count > size - from) count = size - from;
  return text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(count));
}

// The text between the first "contact (" and the first ") with", cut short.
std::string StrengthTextOf(const std::string& text) {
  const long long from = FirstAt(text, "contact (") + 9;
  const long long to = FirstAt(text, ") with");
  return TextFrom(text, from, to - from).substr(0, kStrengthTextMax);
}

// The number at the start of text: decimal, 0x hex or 0 octal, 0 without
// digits, held within 32 bits.
std::int32_t ReadSlotId(const std::string& text) {
  // long is 64 bits here and 32 on Windows: widen, then hold within 32 bits.
  const long long value = std::strtol(text.c_str(), nullptr, 0);
  return static_cast<std::int32_t>(
      std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max()));
}

// The number between the line's first "(" and its first ")": the car that
// reports the contact.
std::int32_t SlotIdOf(const std::string& line) {
  const long long open = FirstAt(line, "(");
  const long long close = FirstAt(line, ")");
  return ReadSlotId(TextFrom(line, open + 1, close - open - 1));
}

// The car the reporter touched: the number in the last "(" behind ") with"
// of a line naming a vehicle; -1 for an object or a line that names none.
std::int32_t OtherSlotIdOf(const std::string& line) {
  if (line.find("vehicle") == std::string::npos) return -1;
  const long long with = FirstAt(line, ") with");
  const std::size_t open = line.rfind('(');
  if (with < 0 || open == std::string::npos || static_cast<long long>(open) <= with) return -1;
  return ReadSlotId(line.substr(open + 1));
}

// Each car in a car-to-car contact reports it, a tenth of a second or so after
// the other and with its own strength: both reports name the same two cars.
constexpr double kSameContactSeconds = 2.0;

bool SameCars(std::int32_t id, std::int32_t otherId, std::int32_t replayId, std::int32_t replayOtherId) {
  return (id == replayId && otherId == replayOtherId) || (id == replayOtherId && otherId == replayId);
}

// Calls visit(line) for each line of text; a last line without its line end
// is read as it stands.
template <typename Visit>
void ForEachLine(const std::string& text, Visit visit) {
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size() - 1;
    visit(text.substr(from, end + 1 - from));
    from = end + 1;
  }
}

// Numbers in the log as a default stream writes them (six significant digits),
// whatever locale the host process has set.
std::ostringstream LogLine() {
  std::ostringstream line;
  line.imbue(std::locale::classic());
  return line;
}

}  // namespace

void rF2kovrel::ScanIncidents(const ScoringInfoV01& info) {
  TakeNewText(info.mResultsStream, mPrevResults, mPrevResultsSet, mNewResults);
  // A crash writes several lines in one update: each line is read on its own,
  // and the strongest contact of them that beats the candidate becomes it.
  bool anyIncident = false;
  std::string strongestText;
  double strongest = 0.0;
  bool candidateFound = false;
  double candidateSize = mIncidentSize;
  std::int32_t candidateId = -1, candidateOtherId = -1;
  if (IsIncident(mNewResults)) {
    ForEachLine(mNewResults, [&](const std::string& line) {
      if (!IsIncident(line)) return;
      std::string text = StrengthTextOf(line);
      const double strength = std::strtod(text.c_str(), nullptr);
      if (livedirector != 0 || autoinc != 0) NoteContactReport(SlotIdOf(line), strength);
      if (!anyIncident || strength > strongest) {
        strongest = strength;
        strongestText = std::move(text);
      }
      anyIncident = true;
      if (!(strength > candidateSize && strength > lowinc)) return;
      const std::int32_t id = SlotIdOf(line);
      const std::int32_t otherId = OtherSlotIdOf(line);
      // The other car's report of a contact already scheduled is that contact.
      const bool alreadyScheduled = std::fabs(mSessionTime - mReplayIncidentTime) <= kSameContactSeconds &&
                                    SameCars(id, otherId, mReplayId, mReplayOtherId);
      if (alreadyScheduled) return;
      candidateFound = true;
      candidateSize = strength;
      candidateId = id;
      candidateOtherId = otherId;
    });
  }
  if (anyIncident && autoinc != 0) DeriveContactThresholds();
  if (anyIncident) {
    if (debug != 0) AppendDebugText("Incident : " + mNewResults);  // the text brings its own line end

    mIncidentSizeText = strongestText;
    if (candidateFound) {
      mIncidentId = candidateId;
      mIncidentOtherId = candidateOtherId;
      mIncidentSize = candidateSize;
      mIncidentTime = mSessionTime;
    }

    if (debug != 0) {
      std::ostringstream line = LogLine();
      line << "lowinc=" << lowinc << ", highinc=" << highinc << ", pincsize=" << mIncidentSize
           << ", sincsize=" << mIncidentSizeText << ", pontosminbehind=" << mMinBehind
           << ", obtime=" << onboarddiff << "\n";
      AppendDebugText(line.str());
    }
  }
  ScheduleReplay(info.mSession);
}

void rF2kovrel::ScheduleReplay(int session) {
  if (mReplayPending || mReplayRunning) return;  // the candidate waits for the replay's end
  // Without a candidate there is nothing to show; a candidate once scheduled
  // leaves strength 0, so it is never replayed twice, whatever the thresholds.
  if (!(mIncidentSize > 0.0)) return;
  if (mSessionTime >= mIncidentTime + kReplayWindowSeconds) return;
  const bool strong = mIncidentSize >= highinc;
  // Lighter contacts are shown only in the sessions numbered below msessioninc
  // (all but the races by default), however close the cars are running.
  const bool worthInThisSession = mIncidentSize >= lowinc && session < msessioninc;
  if (!strong && !worthInThisSession) return;
  // The live director keeps contact replays to its budget too (they come first
  // in it: a missed pass waits for a contact's replay, not the other way round).
  if (livedirector != 0 && session > 9 && !ReplayBudgetAllows()) return;

  mReplayId = mIncidentId;
  mReplayOtherId = mIncidentOtherId;
  mReplayIncidentTime = mIncidentTime;
  mReplayPending = true;
  ++mReplaysScheduled;
  if (debug != 0) {
    std::ostringstream line = LogLine();
    line << mIncidentSize << " >= highinc ...\n";
    AppendDebugText(line.str());
  }
  mIncidentSize = 0.0;  // the next candidate may be weaker
}
