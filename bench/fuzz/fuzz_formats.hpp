// The shapes of the fuzz inputs, read by the harnesses and written by the
// seed writer. Every field is read with ByteReader in the order given here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/fuzz/byte_reader.hpp"
#include "plugin/rF2kovrel.hpp"

// A files folder that cannot exist: the outputs are formatted and their
// writes fail, so a fuzz run does not wait on the disk.
extern const char kUnopenableFolder[];

// The settings' defaults with the unopenable files folder, the Director reset
// run, the virtual keyboard released and the random generator seeded.
void SetUpFuzzPlugin(rF2kovrel& plugin, unsigned seed);

// Settings as a user's INI file may give them, any value of their type:
//   U8 count, then `count` times: U8 which (modulo kSettingCount), then the
//   value: Integer for integer settings, Real for real ones, ShortText for
//   camtest and showinpit (showinpit also sets its number, as the INI read does),
//   and favourites (read as a list of car numbers, as the INI read does).
enum class Setting : std::uint8_t {
  kAuto, kAutokey, kWaitsec, kInterest, kInterestdiff, kOnboarddiff, kOnboardcam, kRearview,
  kRearviewcam, kCamtest, kWalkthrough, kShowinpit, kLowinc, kHighinc, kMsessioninc, kDebug,
  kSbsdist, kSbscount, kReplayduration, kReplayoffset, kStandings,
  kHoldkey, kNextkey, kPrevkey, kLeaderkey, kReplaykey, kManualhold, kFavourites, kFavourfactor,
  kCount
};
constexpr std::uint8_t kSettingCount = static_cast<std::uint8_t>(Setting::kCount);
void ReadSettings(ByteReader& in, rF2kovrel& plugin);

// A scoring snapshot with the records it points to, kept alive together.
struct FuzzSnapshot {
  ScoringInfoV01 info{};
  std::vector<VehicleScoringInfoV01> vehicles;
  std::string stream;  // the results stream; NUL-terminated by std::string
  bool nullStream = false;
  bool nullVehicles = false;
  const ScoringInfoV01& Info();
};

// Vehicle count code: below 200, that many vehicles (0 to 199); 200 to 249,
// none with a null array but a count of code - 199; 250 and above, a
// negative count 249 - code with an array.
// Snapshot: Integer session, U8 game phase, Real elapsed time, Real end
// time, Integer lap limit, U8 stream code (0 null; 1 the previous stream plus
// ShortText; 2 a fresh ShortText; 3 the previous stream cut to U8 * 4
// bytes), U8 vehicle count code, then per vehicle:
//   Integer slot id, U8 place, U8 name code (below 33: that many bytes of
//   name, then NUL; 33 and above: 32 bytes with no NUL), the name's bytes,
//   U8 finish status, U8 pit state, U8 flags (1 player, 2 in pits),
//   Integer total laps, U8 sector, Real lap distance, Real time behind next,
//   Real best lap, Real best sector 1, Real best sector 2, Real current
//   sector 1, Real current sector 2, Real lap start time.
void ReadSnapshot(ByteReader& in, FuzzSnapshot& snapshot);
