#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <regex>

#include "report/coverage_html.hpp"
#include "report/html_report.hpp"
#include "report/sample_race.hpp"
#include "sim_test_support.hpp"
#include "common/text.hpp"

namespace {

using ksim_test::ARace;
using ksim_test::ItsCoverage;
using ksim_test::ReadBytes;
using ksim_test::RunCommand;
using ksim_test::TempDir;

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

// The part of the page from `from` to the next `to`.
std::string Between(const std::string& html, const std::string& from, const std::string& to) {
  const std::size_t start = html.find(from);
  if (start == std::string::npos) return std::string();
  return html.substr(start, html.find(to, start) - start);
}

std::size_t Count(const std::string& text, const std::regex& pattern) {
  const auto matches = std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator());
  return static_cast<std::size_t>(matches);
}

TEST(HtmlReport, CoverageComesFirstWithTheScoreEachKindAndThePenalties) {
  const std::vector<ksim::Coverage> coverage = {ItsCoverage()};
  const std::string html = ksim::HtmlReport(ARace(), "race", &coverage);
  const std::size_t overview = html.find("<span class=\"big\">0.49</span> coverage score");
  ASSERT_NE(overview, std::string::npos);
  EXPECT_LT(overview, html.find("<table class=\"figures\">"));
  EXPECT_NE(html.find("hindsight reference 0.97 (live at most 1.00 holding 4 s shots) &middot; 5 events"), std::string::npos);
  EXPECT_NE(html.find("<tr><td>contacts (1 heavy)</td><td>2</td><td class=\"live\">0</td><td class=\"late\">0</td>"
                      "<td class=\"replay\">1</td><td class=\"missed\">1</td><td>2</td></tr>"),
            std::string::npos);
  EXPECT_EQ(html.find("<td>pit stops</td>"), std::string::npos) << "a kind with no events has no row";
  EXPECT_NE(html.find("shots under 4 s 1 of 4"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(ksim::ValidUtf8(html), html);

  const std::string without = ksim::HtmlReport(ARace(), "race");
  EXPECT_EQ(without.find("coverage score"), std::string::npos);
  EXPECT_EQ(without.find("events missed"), std::string::npos);
}

TEST(HtmlReport, EachEventIsMarkedInTheLaneAndOnTheRowsOfItsVerdict) {
  const std::vector<ksim::Coverage> coverage = {ItsCoverage()};
  const std::string timeline = Between(ksim::HtmlReport(ARace(), "race", &coverage), "<svg", "</svg>");
  for (const char* lane : {">events seen live<", ">events seen late<", ">events in a replay<", ">events missed<"}) {
    EXPECT_NE(timeline.find(lane), std::string::npos) << lane;
  }
  const auto marks = [&](const char* colour) {
    return Count(timeline, std::regex(std::string("<rect [^>]*fill=\"") + colour + "\"><title>"));
  };
  const auto wide = [&](const char* colour) {
    return Count(timeline, std::regex(std::string("<rect [^>]*width=\"3.0\"[^>]*fill=\"") + colour + "\"><title>"));
  };
  const auto diamonds = [&](const char* colour) {
    return Count(timeline, std::regex(std::string("<path d=\"M[^\"]* l3.5 4 [^\"]*\" fill=\"") + colour + "\""));
  };
  EXPECT_EQ(marks(ksim::VerdictColour(ksim::Verdict::Live)), 1u);
  EXPECT_EQ(marks(ksim::VerdictColour(ksim::Verdict::Replay)), 1u);
  EXPECT_EQ(marks(ksim::VerdictColour(ksim::Verdict::Missed)), 3u);
  // The lead change, the heavy contact and the win stand out; the rest are thin.
  EXPECT_EQ(wide(ksim::VerdictColour(ksim::Verdict::Live)) + wide(ksim::VerdictColour(ksim::Verdict::Replay)) +
                wide(ksim::VerdictColour(ksim::Verdict::Missed)),
            3u);
  EXPECT_EQ(diamonds(ksim::VerdictColour(ksim::Verdict::Live)), 2u);
  EXPECT_EQ(diamonds(ksim::VerdictColour(ksim::Verdict::Replay)), 2u);
  EXPECT_EQ(diamonds(ksim::VerdictColour(ksim::Verdict::Missed)), 4u);
  EXPECT_NE(timeline.find("<title>lead_change at 7:30.0: #31 &lt;b&gt;Bold &amp; Co&lt;/b&gt; passes #30 Heigo Poom "
                          "for P1; live, credit 1.00</title>"),
            std::string::npos);
  EXPECT_NE(timeline.find("finish at 17:30.0: #30 Heigo Poom takes the flag, P1; missed, credit 0.00; on air: automatic camera off"),
            std::string::npos);
  // At its moment on the shared time axis: 650 s of 1200 s across 1064 pixels from 240.
  EXPECT_NE(timeline.find("<rect x=\"815.6\" y="), std::string::npos);
}

TEST(HtmlReport, MissedEventsAreListedTheMemorableFirstAndEveryEventAClickAway) {
  const std::vector<ksim::Coverage> coverage = {ItsCoverage()};
  const std::string html = ksim::HtmlReport(ARace(), "race", &coverage);
  const std::string missed = Between(html, "<details open><summary>Missed: 3 events, 1 of them", "</details>");
  ASSERT_FALSE(missed.empty());
  const std::size_t win = missed.find("<tr class=\"key\"><td>17:30.0</td><td>finish</td>");
  const std::size_t pass = missed.find("<tr><td>10:50.0</td><td>overtake</td>");
  const std::size_t light = missed.find("<tr><td>11:40.0</td><td>contact</td>");
  ASSERT_NE(win, std::string::npos);
  ASSERT_NE(pass, std::string::npos);
  ASSERT_NE(light, std::string::npos);
  EXPECT_LT(win, pass);
  EXPECT_LT(pass, light);
  EXPECT_NE(missed.find("<td>#32 J\xC3\xA9r\xC3\xB4me Delbarre (after replay)</td>"), std::string::npos);
  EXPECT_NE(missed.find("<td>automatic camera off</td>"), std::string::npos);
  EXPECT_EQ(missed.find("<td>7:30.0</td>"), std::string::npos) << "the live lead change is not missed";

  const std::string all = Between(html, "<details><summary>All 5 events</summary>", "</details>");
  ASSERT_FALSE(all.empty());
  EXPECT_NE(all.find(">live 100%</span>"), std::string::npos);
  EXPECT_NE(all.find(">replay 75%</span></td><td>#31 &lt;b&gt;Bold &amp; Co&lt;/b&gt; (side by side)</td>"),
            std::string::npos);
}

// Headless Chromium opens the page from a file and draws it.
TEST(HtmlReport, RendersInHeadlessChromium) {
  const std::string chromium = "/usr/bin/chromium";
  if (!std::filesystem::exists(chromium)) GTEST_SKIP() << "no " << chromium << " (tools/setup-machine.sh installs it)";
  TempDir dir;
  const std::string page = dir.File("report.html");
  const std::vector<ksim::Coverage> coverage = {ItsCoverage()};
  ksim::WriteHtmlReport(ARace(), "kovrel-sim report", page, &coverage);
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
