#include <cmath>
#include <cstdio>
#include <locale>
#include <sstream>
#include <string>

#include "outputs/session_words.hpp"
#include "outputs/text_mode.hpp"
#include "plugin/rF2kovrel.hpp"

namespace {

// The camera type of the next cut as the overlay names it. A rear-view setting
// of 4 does not rename the trackside camera.
const char* CameraName(int camType, int rearViewCam) {
  switch (camType) {
    case 0: return "tvcockpit";
    case 1: return "cockpit";
    case 2: return "nosecam";
    case 3: return "swingman";
    default: break;
  }
  if (camType == rearViewCam) return camType == 4 ? "trackside" : "rearview";
  return camType < 5 ? "trackside" : "onboard";
}

// A JSON string's contents. Control bytes get JSON escapes, as a raw one makes
// the whole document invalid; bytes above 127 pass unchanged, since names may
// be Latin-1 and the overlay decodes them as it pleases.
std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          char code[8];
          std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(byte));
          out += code;
        } else {
          out.push_back(c);
        }
    }
  }
  return out;
}

// A gap in seconds with three decimals; JSON has no NaN or infinity, so a gap
// that is not a finite number is written as null.
std::string Gap(double seconds) {
  if (!std::isfinite(seconds)) return "null";
  std::ostringstream text;
  text.imbue(std::locale::classic());  // a full stop as decimal mark whatever the host set
  text.setf(std::ios::fixed, std::ios::floatfield);
  text.precision(3);
  text << seconds;
  return text.str();
}

const char* Flag(bool value) { return value ? "true" : "false"; }

std::string StringMember(const char* key, const std::string& value) {
  return std::string("  \"") + key + "\": \"" + value + "\",\n";
}

std::string BareMember(const char* key, const std::string& value) {
  return std::string("  \"") + key + "\": " + value + ",\n";
}

}  // namespace

void rF2kovrel::WriteStatusFile(int session, const std::string& clockText) {
  const std::string& driver = mReplayRunning ? mReplayDriverName : mNextDriver;
  const int place = mReplayRunning ? 0 : mActualPlace;
  const bool inBattle = mMinBehind >= 0.05 && mMinBehind <= onboarddiff;  // false for NaN

  std::string doc = "{\n";
  doc += StringMember("driver", Escaped(driver));
  doc += BareMember("position", std::to_string(place));
  doc += StringMember("camera", CameraName(mCamType, rearviewcam));
  doc += BareMember("on_replay", Flag(mReplayRunning));
  doc += BareMember("kovrel", Flag(auto_ != 0));
  doc += BareMember("player_driving", Flag(mPlayerDriving));
  doc += StringMember("session_type", SessionTypeName(session));
  doc += StringMember("game_phase", GamePhaseName(mLastGamePhase));
  doc += StringMember("time_display", Escaped(clockText));
  doc += BareMember("gap_to_next", Gap(mMinBehind));
  doc += BareMember("in_battle", Flag(inBattle));
  doc += BareMember("sbs_active", Flag(mSbsCount >= sbscount));
  doc += "  \"leader\": \"" + Escaped(mLeaderDriver) + "\"\n";
  doc += "}\n";
  RewriteTextFile(mStatusFilePath, doc);
}
