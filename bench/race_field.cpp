#include "bench/race_field.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "support/director_fixture.hpp"

namespace fs = std::filesystem;

namespace {

// Removes every folder the benchmarks made when the program ends.
struct FolderSweeper {
  std::vector<std::string> folders;
  ~FolderSweeper() {
    std::error_code ignored;
    for (const std::string& folder : folders) fs::remove_all(folder, ignored);
  }
};

FolderSweeper& Sweeper() {
  static FolderSweeper sweeper;
  return sweeper;
}

}  // namespace

Snapshot RaceField(int cars, double sessionTime, const std::string& stream) {
  Snapshot s;
  s.Session(10).Phase(5).Time(sessionTime).EndTime(5400.0).MaxLaps(30).Stream(stream);
  unsigned seed = 12345u;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fffu;
  };
  double lapDist = 5000.0;
  for (int place = 1; place <= cars; ++place) {
    const double gap = place == 1 ? 0.0 : 0.2 + (next() % 2800) / 1000.0;
    // Pairs 7-8 and 15-16 run side by side; elsewhere about 50 m a second.
    const bool alongside = place == 8 || place == 16;
    lapDist -= alongside ? 0.8 : gap * 50.0;
    if (lapDist < 0.0) lapDist += 5000.0;
    CarBuilder car = s.Car(100 + place, place);
    car.Name("Driver Number " + std::to_string(place))
        .Behind(alongside ? 0.02 : gap)
        .LapDist(lapDist)
        .Laps(6)
        .Sector(place % 3)
        .Best(98.0 + (next() % 3000) / 1000.0, 31.2, 64.9)
        .Current(31.5, 0.0)
        .LapStart(sessionTime - 40.0 - place);
    if (place == cars / 2) car.Pit(2);
  }
  return s;
}

Snapshot ThreeClassRaceField(int cars, double sessionTime, const std::string& stream) {
  Snapshot s = RaceField(cars, sessionTime, stream);
  struct Class {
    const char* name;
    double pace;
  };
  const Class classes[] = {{"Hypercar", 98.0}, {"LMP2", 103.0}, {"GT3", 110.0}};
  double behind = 0.0;
  for (std::size_t i = 0; i < s.Count(); ++i) {
    VehicleScoringInfoV01& v = s.CarAt(i);
    const double share = static_cast<double>(i) / static_cast<double>(s.Count());
    int c = share < 0.2 ? 0 : share < 0.5 ? 1 : 2;
    if (i % 7 == 6) c = (c + 1) % 3;  // a lapped car or a faster one among another class
    std::memset(v.mVehicleClass, 0, sizeof v.mVehicleClass);
    std::memcpy(v.mVehicleClass, classes[c].name, std::strlen(classes[c].name));
    v.mBestLapTime = classes[c].pace + (v.mBestLapTime - 98.0);
    v.mLastLapTime = v.mBestLapTime + 0.8;
    std::snprintf(v.mVehicleName, sizeof v.mVehicleName, "Team %d Car #%d", static_cast<int>(i % 7),
                  10 + static_cast<int>(i));
    behind += i == 0 ? 0.0 : v.mTimeBehindNext;
    v.mTimeBehindLeader = behind;
    v.mLapsBehindLeader = static_cast<std::int32_t>(behind / 100.0);
  }
  return s;
}

std::string SyntheticStream(std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 200);
  int line = 0;
  while (text.size() < bytes) {
    const int car = 1 + line % 30;
    char buffer[200];
    const double et = 100.0 + line * 0.7;
    if (line % 40 == 39) {
      std::snprintf(buffer, sizeof buffer,
                    "<Incident et=\"%.1f\">Driver Number %d(%d) reported contact (%.2f) with "
                    "another vehicle Driver Number %d(%d)</Incident>\n",
                    et, car, car, (line % 97) / 100.0, car + 1, car + 1);
    } else if (line % 3 == 0) {
      std::snprintf(buffer, sizeof buffer,
                    "<Sector et=\"%.1f\">Driver Number %d(%d) sector %d</Sector>\n", et, car,
                    car, line % 3 + 1);
    } else {
      std::snprintf(buffer, sizeof buffer,
                    "<Score et=\"%.1f\">Driver Number %d(%d) lap=%d point=%d t=%.3f</Score>\n", et,
                    car, car, line / 30, line % 3, et - 3.0);
    }
    text += buffer;
    ++line;
  }
  text.resize(bytes);
  return text;
}

void SetUpPlugin(rF2kovrel& plugin, const std::string& filesFolder) {
  ApplyDefaultSettings(plugin, filesFolder);
}

std::string BenchFolder(const std::string& name) {
  const fs::path folder = fs::temp_directory_path() /
                          ("kovrel-bench-" + std::to_string(static_cast<long>(::getpid()))) / name;
  fs::create_directories(folder);
  Sweeper().folders.push_back(folder.parent_path().string());
  return folder.string();
}

std::string UnopenableFolder() { return "/nonexistent-kovrel-bench/rF2stream"; }

double Since(std::chrono::steady_clock::time_point& mark) {
  const auto now = std::chrono::steady_clock::now();
  const double nanoseconds = std::chrono::duration<double, std::nano>(now - mark).count();
  mark = now;
  return nanoseconds;
}
