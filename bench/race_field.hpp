// Scoring snapshots and a plug-in object set up as in a live race, shared by
// the benchmarks.
#pragma once

#include <chrono>
#include <string>

#include "plugin/rF2kovrel.hpp"
#include "support/snapshot_builder.hpp"

// A green-flag race of `cars` cars strung out over the lap: gaps between
// 0.2 s and 3 s, two pairs side by side, one car entering the pits, on the
// seventh of thirty laps, with `stream` as the results stream.
Snapshot RaceField(int cars, double sessionTime, const std::string& stream);

// The same field as three classes (a fifth Hypercar, three tenths LMP2, the
// rest GT3, mostly in class order with a car of another class now and then
// among them), each with its own pace, gaps to the leader and laps behind,
// every car numbered in its vehicle name.
Snapshot ThreeClassRaceField(int cars, double sessionTime, const std::string& stream);

// Results-stream lines in the simulator's shape (timing points, sectors and
// a contact now and then), about `bytes` long.
std::string SyntheticStream(std::size_t bytes);

// The settings' defaults with the files folder `filesFolder` (created by the
// caller or deliberately missing), the stream-file paths built as Startup
// builds them and the Director reset run.
void SetUpPlugin(rF2kovrel& plugin, const std::string& filesFolder);

// A folder of its own under the system's temporary folder, removed with its
// files when the benchmark program ends.
std::string BenchFolder(const std::string& name);

// A path no file can be opened under: the files folder of the runs that
// measure the director without the file system.
std::string UnopenableFolder();

// Nanoseconds since `mark`, which moves on to now.
double Since(std::chrono::steady_clock::time_point& mark);
