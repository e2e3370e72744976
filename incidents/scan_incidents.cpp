// Contacts read from the simulator's results stream: the strongest recent one
// becomes the incident candidate, and a candidate strong enough for the session
// is scheduled for an instant replay.
#include <algorithm>
#include <cstdint>
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

// Takes what the stream gained since the last scan into newText. Only the
// lengths are compared, so the remembered stream grows by the new text alone:
// a long stream costs its strlen per snapshot, not a copy. A first sight or a
// shorter stream is taken as already seen.
void TakeNewText(const char* stream, std::string& seen, bool& seenSet, std::string& newText) {
  newText.clear();
  const char* text = stream != nullptr ? stream : "";  // no stream reads as an empty one
  const std::size_t length = std::strlen(text);
  if (!seenSet) {
    seen.assign(text, length);
    seenSet = true;
  } else if (length > seen.size()) {
    newText.assign(text + seen.size(), length - seen.size());
    seen.append(newText);
  } else if (length < seen.size()) {
    seen.assign(text, length);
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

// The number between the first "(" and the first ")": decimal, 0x hex or 0
// octal, 0 without digits, held within 32 bits.
std::int32_t SlotIdOf(const std::string& text) {
  const long long open = FirstAt(text, "(");
  const long long close = FirstAt(text, ")");
  const std::string idText = TextFrom(text, open + 1, close - open - 1);
  // long is 64 bits here and 32 on Windows: widen, then hold within 32 bits.
  const long long value = std::strtol(idText.c_str(), nullptr, 0);
  return static_cast<std::int32_t>(
      std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max()));
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
  if (IsIncident(mNewResults)) {
    if (debug != 0) AppendDebugText("Incident : " + mNewResults);  // the text brings its own line end

    mIncidentSizeText = StrengthTextOf(mNewResults);
    const double strength = std::strtod(mIncidentSizeText.c_str(), nullptr);
    if (strength > mIncidentSize && strength > lowinc) {
      mIncidentId = SlotIdOf(mNewResults);
      mIncidentSize = strength;
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

  mReplayId = mIncidentId;
  mReplayIncidentTime = mIncidentTime;
  mReplayPending = true;
  if (debug != 0) {
    std::ostringstream line = LogLine();
    line << mIncidentSize << " >= highinc ...\n";
    AppendDebugText(line.str());
  }
  mIncidentSize = 0.0;  // the next candidate may be weaker
}
