// The snapshot trace (.kvt): the scoring snapshots the plug-in was handed, as
// line-oriented text. The plug-in writes it (recordtrace=1), kovrel-sim writes
// it for its own runs and reads it back to replay a race exactly.
//
//   KVT 1                      header: the format and its version
//   T<time>                    a snapshot begins at this session time
//   S<members>                 session members that changed
//   [@<index> ]<members>       a car's members that changed; without @ the car
//                              after the previous car line (the first: 0)
//   R<text>                    the results-stream text added with this snapshot
//   E                          the snapshot is complete
//
// A member is one byte naming it and its value, members separated by one
// blank. Times have three decimals, distances two; texts escape every byte
// outside '!'..'~' and '%' itself as %XX. A member is written only when it
// differs from the record at the same array position in the previous snapshot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/InternalsPlugin.hpp"

constexpr int kTraceVersion = 1;
constexpr char kTraceHeader[] = "KVT 1\n";
// Beyond this a value is no time or distance a session has: the writer holds
// it at the bound rather than overflow, and the reader refuses it.
constexpr double kTraceLargest = 1.0e12;

// Values as the trace holds them: times to 0.001 s, distances to 0.01 m.
std::int64_t TraceMillis(double seconds);
std::int64_t TraceCentimetres(double metres);
double RoundedTraceTime(double seconds);
double RoundedTraceDistance(double metres);

// Rounds every member the trace holds to its decimals, in place, so that a
// host handing the plug-in these values hands it what a replay of the trace
// will hand it again.
void RoundToTrace(ScoringInfoV01& info);

// Appends `bytes` with the trace's escaping (%XX for blanks, controls, '%'
// and bytes above '~').
void AppendTraceText(std::string& out, const char* bytes, std::size_t size);

// Turns snapshots into trace lines, remembering what each array position held
// so that only changes are written. Allocates only when the field grows.
class TraceWriter {
 public:
  // Forgets the previous snapshot: the next one is written whole.
  void Reset();
  // Appends the snapshot's lines to `out`. `timingPointsOnly` marks a field
  // known exactly only at timing points (a host's run rebuilt from a results
  // file); the plug-in never sets it.
  void Append(const ScoringInfoV01& info, std::string& out, bool timingPointsOnly = false);

 private:
  struct SessionMembers {
    bool known = false;
    std::int32_t session = 0, phase = 0, maxLaps = 0, yellow = 0, vehicles = 0, pointsOnly = 0;
    std::int64_t endTime = 0, trackLength = 0;
    char track[64] = {};
  };
  struct CarMembers {
    bool known = false;
    std::int32_t id = 0, place = 0, laps = 0, sector = 0, lapsBehindNext = 0, lapsBehindLeader = 0;
    std::int32_t pitState = 0, inPits = 0, finish = 0, control = 0, player = 0, pitStops = 0, garage = 0;
    std::int64_t lapDist = 0, behindNext = 0, behindLeader = 0, best = 0, bestS1 = 0, bestS2 = 0;
    std::int64_t last = 0, lastS1 = 0, lastS2 = 0, curS1 = 0, curS2 = 0, lapStart = 0;
    char driver[32] = {};
    char vehicle[64] = {};
    char vehicleClass[32] = {};
  };

  SessionMembers mSession;
  std::vector<CarMembers> mCars;
};
