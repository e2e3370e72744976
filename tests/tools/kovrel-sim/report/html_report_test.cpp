#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "report/html_report.hpp"
#include "sim_test_support.hpp"
#include "common/text.hpp"

namespace {

using ksim_test::ReadBytes;
using ksim_test::RunCommand;
using ksim_test::TempDir;

// A race as the runner leaves it: shots, a replay, contacts, fights on air.
ksim::RunResult ARace() {
  ksim::RunResult result;
  result.pluginName = "rF2 kovrel - 2026.05.29.";
  result.snapshots = 6000;
  result.wallSeconds = 0.4;
  ksim::SessionRun run;
  run.plan.kind = ksim::SessionKind::Race;
  run.plan.sessionNumber = 10;
  run.plan.trackName = "Kovrel Park GP";
  run.plan.maxLaps = 12;
  const char* names[] = {"Heigo Poom", "<b>Bold & Co</b>", "J\xE9r\xF4me Delbarre", "Tom Parker"};
  for (int i = 0; i < 4; ++i) {
    ksim::CarEntry car;
    car.id = 30 + i;
    car.driver = names[i];
    run.plan.cars.push_back(car);
    run.finalOrder.push_back(i);
    run.pitStops.push_back(i % 2);
  }
  const auto shot = [](double from, double to, int car, ksim::Reason reason, bool replay = false) {
    ksim::Shot s;
    s.start = from;
    s.end = to;
    s.car = car;
    s.reason = reason;
    s.replay = replay;
    return s;
  };
  run.shots = {shot(0, 200, -1, ksim::Reason::Unknown), shot(200, 400, 0, ksim::Reason::GridWalk),
               shot(400, 600, 1, ksim::Reason::Battle),  shot(600, 620, 2, ksim::Reason::Unknown, true),
               shot(620, 800, 2, ksim::Reason::AfterReplay), shot(800, 1200, 3, ksim::Reason::SideBySide)};
  ksim::ReplayRun replay;
  replay.pressed = 600;
  replay.cameraSet = 600;
  replay.car = 2;
  replay.seekTo = 585;
  replay.slowFrom = 604.2;
  replay.normalFrom = 613.2;
  replay.ended = 620;
  run.replays = {replay};
  run.contacts = {ksim::Contact{590.0, 2, 3, 0.92, "another vehicle"}, ksim::Contact{700.0, 1, -1, 0.1, "Immovable"}};
  run.battleOnAir = {{420.0, 520.0}};
  run.autoOff = {{1000.0, 1100.0}};
  run.greenStart = 210.0;
  run.greenEnd = 1150.0;
  run.raceTime = 940.0;
  run.battleTime = 100.0;
  run.battleAvailable = 700.0;
  run.endTime = 1200.0;
  run.snapshots = 6000;
  result.sessions.push_back(run);
  return result;
}

TEST(HtmlReport, NeedsNoNetworkAndEscapesNames) {
  const std::string html = ksim::HtmlReport(ARace(), "kovrel-sim: a <test> race");
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("<link"), std::string::npos);
  EXPECT_EQ(html.find("src="), std::string::npos);
  EXPECT_EQ(html.find("url(http"), std::string::npos);
  const std::regex address("https?://([^\"]*)");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), address); it != std::sregex_iterator(); ++it) {
    EXPECT_EQ((*it)[1].str(), "www.w3.org/2000/svg") << "the page refers to " << it->str();
  }
  EXPECT_EQ(html.find("<b>Bold"), std::string::npos);
  EXPECT_NE(html.find("&lt;b&gt;Bold &amp; Co&lt;/b&gt;"), std::string::npos);
  EXPECT_NE(html.find("J\xC3\xA9r\xC3\xB4me"), std::string::npos);
  EXPECT_EQ(ksim::ValidUtf8(html), html) << "the page is valid UTF-8";
  EXPECT_NE(html.find("<title>kovrel-sim: a &lt;test&gt; race</title>"), std::string::npos);
}

TEST(HtmlReport, TheTimelineShowsWhoWasOnAirFightsAndReplays) {
  const std::string html = ksim::HtmlReport(ARace(), "race");
  const std::size_t svg = html.find("<svg");
  ASSERT_NE(svg, std::string::npos);
  const std::string timeline = html.substr(svg, html.find("</svg>") - svg);
  // One bar per shot of a car, live or replayed; none for the picture before the first cut.
  const auto count = [&](const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = timeline.find(text, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(count(", trackside, "), 4u);
  EXPECT_EQ(count("<title>replay of "), 1u);
  EXPECT_NE(timeline.find("#30 Heigo Poom, trackside, grid walk, 3:20.0 to 6:40.0"), std::string::npos);
  EXPECT_NE(timeline.find("battle, 6:40.0 to 10:00.0"), std::string::npos);
  EXPECT_NE(timeline.find("replay of #32"), std::string::npos);
  EXPECT_NE(timeline.find("a fight within 0.40 s on air 7:00.0 to 8:40.0"), std::string::npos);
  EXPECT_NE(timeline.find("replay 10:00.0 to 10:20.0"), std::string::npos);
  EXPECT_NE(timeline.find("automatic camera off 16:40.0 to 18:20.0"), std::string::npos);
  EXPECT_NE(timeline.find("contact 0.92 at 9:50.0"), std::string::npos);
  EXPECT_NE(timeline.find("green flag 3:30.0"), std::string::npos);
  EXPECT_EQ(timeline.find(", 0:00.0 to 3:20.0"), std::string::npos);
  EXPECT_NE(html.find("0.92 at 9:50.0, #32"), std::string::npos) << "the replay names its contact";
}

// Headless Chromium opens the page from a file and draws it.
TEST(HtmlReport, RendersInHeadlessChromium) {
  const std::string chromium = "/usr/bin/chromium";
  if (!std::filesystem::exists(chromium)) GTEST_SKIP() << "no " << chromium << " (tools/setup-machine.sh installs it)";
  TempDir dir;
  const std::string page = dir.File("report.html");
  ksim::WriteHtmlReport(ARace(), "kovrel-sim report", page);
  const std::string png = dir.File("report.png");
  std::string output;
  const int status = RunCommand(chromium + " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                                "--disable-background-networking --disable-component-update --disable-sync "
                                "--user-data-dir=" + dir.File("profile") + " --screenshot=" + png +
                                " --window-size=1400,900 file://" + page, output);
  ASSERT_EQ(status, 0) << output;
  const std::string image = ReadBytes(png);
  ASSERT_GT(image.size(), 24u) << output;
  EXPECT_EQ(image.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  const auto big = [&](std::size_t at) {
    return (static_cast<unsigned>(static_cast<unsigned char>(image[at])) << 24) |
           (static_cast<unsigned>(static_cast<unsigned char>(image[at + 1])) << 16) |
           (static_cast<unsigned>(static_cast<unsigned char>(image[at + 2])) << 8) |
           static_cast<unsigned>(static_cast<unsigned char>(image[at + 3]));
  };
  EXPECT_EQ(big(16), 1400u);
  EXPECT_EQ(big(20), 900u);
  EXPECT_GT(image.size(), 20000u) << "a page with its timeline drawn, not a blank one";
}

}  // namespace
