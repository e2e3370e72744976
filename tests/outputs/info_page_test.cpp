#include <gtest/gtest.h>

#include <string>

#include "support/director_fixture.hpp"
#include "support/lap_page.hpp"

namespace {

class InfoPage : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaultSettings(plugin, folder.Path()); }
  std::string Page(int session) {
    plugin.WriteInfoPage(session);
    return ReadFileBytes(folder.File("info.html"));
  }

  TempFolder folder;
  rF2kovrel plugin;
};

TEST_F(InfoPage, BestRowSplitsTheLapIntoSectorsAndMinutes) {
  plugin.mBestLap = 90.0;
  plugin.mBestS1 = 30.0;
  plugin.mBestS2 = 60.0;
  plugin.mNextLapTime = 5.0;
  EXPECT_EQ(Page(5), LapPage("30.000", "30.000", "30.000", "1:30.000", "0:05.000"));
  plugin.mNextLapTime = 3725.0;  // an hour or more keeps counting minutes
  EXPECT_EQ(Page(0), LapPage("30.000", "30.000", "30.000", "1:30.000", "62:05.000"));
}

TEST_F(InfoPage, RacesAndReplaysShowNoTable) {
  EXPECT_EQ(Page(10), LapPageWithoutTable());
  plugin.mReplayRunning = true;
  EXPECT_EQ(Page(2), LapPageWithoutTable());
}

TEST_F(InfoPage, TimeJustBelowAWholeMinuteCarriesIntoTheMinutes) {
  plugin.mBestLap = 119.9996;
  plugin.mBestS1 = 40.0;
  plugin.mBestS2 = 80.0;
  plugin.mNextLapTime = 59.9999;
  EXPECT_EQ(Page(1), LapPage("40.000", "40.000", "40.000", "2:00.000", "1:00.000"));
}

TEST_F(InfoPage, AbsurdTimesKeepTheMarkupWhole) {
  plugin.mBestLap = 1e300;
  plugin.mBestS1 = -1e300;
  plugin.mBestS2 = 0.0;
  plugin.mNextLapTime = 1e200;
  const std::string page = Page(1);
  EXPECT_NE(page.find("</tr></table></body></html>"), std::string::npos);
  int closed = 0;  // every one of the fifteen cells is closed again
  for (std::size_t at = page.find("</td>"); at != std::string::npos; at = page.find("</td>", at + 1)) {
    ++closed;
  }
  EXPECT_EQ(closed, 15);
}

}  // namespace
