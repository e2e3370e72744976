#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/director_fixture.hpp"
#include "support/snapshot_builder.hpp"

namespace {

struct ClockCase {
  const char* what;
  int session;
  int phase;
  double now;
  double end;
  int maxLaps;
  int leaderLaps;
  const char* text;
};

class TimeFile : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaultSettings(plugin, folder.Path()); }

  // The clock text, checked to be exactly what "time.txt" now holds.
  std::string Clock(const ClockCase& c) {
    Snapshot s;
    s.Session(c.session).Phase(c.phase).Time(c.now).EndTime(c.end).MaxLaps(c.maxLaps);
    plugin.mLeaderLaps = c.leaderLaps;
    const std::string text = plugin.WriteTimeFile(s.Info());
    EXPECT_EQ(ReadFileBytes(folder.File("time.txt")), text) << c.what;
    return text;
  }

  TempFolder folder;
  rF2kovrel plugin;
};

constexpr int kHugeLaps = std::numeric_limits<int>::max();

TEST_F(TimeFile, EveryCaseOfClockLapCounterAndStatusWord) {
  const ClockCase cases[] = {
      {"practice, 90.4 s left", 2, 5, 100.0, 190.4, 0, 0, "00:01:30"},
      {"practice, 59.2 s left", 2, 5, 0.0, 59.2, 0, 0, "00:00:59"},
      {"qualifying, 1 h 2 min 5.2 s left", 6, 5, 0.0, 3725.2, 0, 0, "01:02:05"},
      {"warm-up, 100 hours left", 9, 5, 0.0, 360000.0, 0, 0, "100:00:00"},
      {"practice, 1 min 59.7 s left carries", 1, 5, 0.0, 119.7, 0, 0, "00:02:00"},
      {"practice, no time left", 3, 5, 500.0, 500.0, 0, 0, "Session end"},
      {"test day, past the end", 0, 5, 600.0, 500.0, 0, 0, "Session end"},
      {"race, four laps done", 10, 5, 400.0, 5000.0, 20, 4, "5 / 20"},
      {"race under yellow", 11, 6, 400.0, 5000.0, 20, 4, "5 / 20"},
      {"race stopped", 12, 7, 400.0, 5000.0, 20, 4, "5 / 20"},
      {"race, leader on its last lap", 10, 5, 1900.0, 5000.0, 20, 19, "Last lap"},
      {"race without a lap limit", 10, 5, 100.0, 190.4, 0, 3, "00:01:30"},
      {"race the clock ends first", 10, 5, 400.0, 1000.0, 20, 4, "00:10:00"},
      {"race, huge lap limit, time run out", 13, 5, 3700.0, 3600.0, kHugeLaps, 30, "Last lap"},
      {"race, huge lap limit, time left", 13, 5, 3500.0, 3600.0, kHugeLaps, 30, "00:01:40"},
      {"race finished", 10, 8, 4000.0, 3600.0, 20, 20, "Race finished"},
      {"formation lap", 10, 3, 10.0, 3600.0, 20, 0, ""},
      {"race before the start", 10, 0, 0.0, 3600.0, 20, 0, ""},
  };
  for (const ClockCase& c : cases) EXPECT_EQ(Clock(c), c.text) << c.what;
}

TEST_F(TimeFile, LeaderWithoutCompletedLapIsOnLapOneAndCountsOneLap) {
  // Pace over one lap: 10 s x 19 laps = 190 s, well within the race's end.
  EXPECT_EQ(Clock({"first lap", 10, 5, 10.0, 5000.0, 20, 0, nullptr}), "1 / 20");
  EXPECT_EQ(plugin.mLeaderLaps, 1);
  // Pace over one lap beyond the end: the clock.
  EXPECT_EQ(Clock({"slow first lap", 10, 5, 400.0, 5000.0, 20, 0, nullptr}), "01:16:40");
}

TEST_F(TimeFile, ReplayShowsTheWordInEverySession) {
  plugin.mReplayRunning = true;
  EXPECT_EQ(Clock({"replay in practice", 1, 5, 0.0, 100.0, 0, 0, nullptr}), "REPLAY");
  EXPECT_EQ(Clock({"replay in a race", 10, 8, 0.0, 100.0, 20, 3, nullptr}), "REPLAY");
}

TEST_F(TimeFile, HostileNumbersStayWithinTheClockBuffer) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const ClockCase cases[] = {
      {"huge end", 2, 5, 0.0, 1e300, 0, 0, nullptr},
      {"infinite end", 2, 5, 0.0, inf, 0, 0, nullptr},
      {"NaN time", 2, 5, nan, 100.0, 0, 0, nullptr},
      {"huge end in a race", 10, 5, 0.0, 1e300, 0, 0, nullptr},
      {"lowest lap limit", 10, 5, 500.0, 100.0, std::numeric_limits<int>::min(), 0, nullptr},
      {"highest leader laps", 10, 5, 500.0, 100.0, 20, std::numeric_limits<int>::max(), nullptr},
  };
  for (const ClockCase& c : cases) EXPECT_LT(Clock(c).size(), 32u) << c.what;
  EXPECT_EQ(Clock({"NaN time", 2, 5, nan, 100.0, 0, 0, nullptr}), "Session end");
  EXPECT_EQ(Clock({"lowest lap limit", 10, 5, 500.0, 100.0, std::numeric_limits<int>::min(), 4,
                   nullptr}),
            "5 / -2147483648");
}

}  // namespace
