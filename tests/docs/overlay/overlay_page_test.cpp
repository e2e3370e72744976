// The overlay page in a real browser: headless Chromium loads it from a web
// server on 127.0.0.1 that serves a folder, as a browser source serves the
// stream files folder, and the tests write status.json there one document
// after another and read back what the page shows.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "headless_browser.hpp"
#include "page_server.hpp"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using overlay_test::HeadlessBrowser;
using overlay_test::PageServer;

// What a viewer reads in each part of the page; a part left out reads as empty.
using Shown = std::map<std::string, std::string>;
const char* const kParts[] = {"place", "name", "camera", "battle-label", "battle-gap", "session", "clock", "leader"};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string Fixture(const std::string& name) { return ReadBytes(fs::path(KOVREL_OVERLAY_FIXTURES) / name); }

// A status document shaped as the plug-in writes it (CR LF lines, the
// members in its order), for the cases no real run gives.
struct StatusDoc {
  std::string driver = "Jane Doe";
  int position = 3;
  std::string camera = "trackside";
  bool onReplay = false;
  std::string sessionType = "race";
  std::string phase = "green";
  std::string clock = "5 / 20";
  std::string gap = "0.350";
  bool inBattle = true;
  bool sideBySide = false;
  std::string leader = "John Roe";

  static std::string Quoted(const std::string& bytes) {
    std::string out = "\"";
    for (char c : bytes) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    return out + "\"";
  }
  static const char* Flag(bool value) { return value ? "true" : "false"; }

  std::string Text() const {
    std::ostringstream doc;
    doc << "{\r\n"
        << "  \"driver\": " << Quoted(driver) << ",\r\n"
        << "  \"position\": " << position << ",\r\n"
        << "  \"camera\": \"" << camera << "\",\r\n"
        << "  \"on_replay\": " << Flag(onReplay) << ",\r\n"
        << "  \"kovrel\": true,\r\n"
        << "  \"player_driving\": false,\r\n"
        << "  \"session_type\": \"" << sessionType << "\",\r\n"
        << "  \"game_phase\": \"" << phase << "\",\r\n"
        << "  \"time_display\": " << Quoted(clock) << ",\r\n"
        << "  \"gap_to_next\": " << gap << ",\r\n"
        << "  \"in_battle\": " << Flag(inBattle) << ",\r\n"
        << "  \"sbs_active\": " << Flag(sideBySide) << ",\r\n"
        << "  \"leader\": " << Quoted(leader) << "\r\n"
        << "}\r\n";
    return doc.str();
  }
};

// A standings document shaped as the plug-in writes it: a 44-car race of
// three classes mixed on track (13 LMP2, 10 LMP3, 21 GT3), one line per car.
struct StandingsDoc {
  nlohmann::json doc;

  StandingsDoc() {
    doc = {{"version", 1},
           {"session", {{"type", "race"}, {"phase", "green"}}},
           {"clock", "00:15:00"},
           {"time_left_s", 900.0},
           {"director", "auto"},
           {"on_air_id", nullptr},
           {"replay_id", nullptr},
           {"classes", {"LMP2_ELMS", "LMP3", "GT3"}},
           {"cars", nlohmann::json::array()}};
    const char* const classes[] = {"LMP2_ELMS", "LMP3", "GT3"};
    const int sizes[] = {13, 10, 21};
    int classPlace[3] = {0, 0, 0};
    // Mostly by class, with a few cars of a faster class behind slower ones.
    int place = 0;
    for (int c = 0; c < 3; ++c) {
      for (int k = 0; k < sizes[c]; ++k) {
        ++place;
        const int cp = ++classPlace[c];
        doc["cars"].push_back({{"id", 100 + place},
                               {"place", place},
                               {"class", classes[c]},
                               {"class_place", cp},
                               {"number", std::to_string(place * 3)},
                               {"driver", "Driver " + std::to_string(place)},
                               {"laps", 10},
                               {"gap_leader_s", cp == 1 ? 0.0 : 1.25 * (cp - 1)},
                               {"gap_ahead_s", cp == 1 ? nlohmann::json(nullptr) : nlohmann::json(1.25)},
                               {"laps_down", 0},
                               {"best_lap_s", 100.0 + c * 5},
                               {"last_lap_s", 101.0 + c * 5},
                               {"in_pit", false},
                               {"status", "running"},
                               {"on_air", false},
                               {"in_battle", false}});
      }
    }
  }
  nlohmann::json& Car(int place) { return doc["cars"][static_cast<std::size_t>(place - 1)]; }
  void OnAir(int place) {
    doc["on_air_id"] = Car(place)["id"];
    Car(place)["on_air"] = true;
  }
  std::string Text() const {
    std::string text = doc.dump(2);
    std::string crlf;
    for (char c : text) {
      if (c == '\n') crlf += '\r';
      crlf += c;
    }
    return crlf;
  }
};

class OverlayPage : public ::testing::Test {
 protected:
  void SetUp() override {
    mChromium = overlay_test::FindChromium();
    if (mChromium.empty()) {
      GTEST_SKIP() << "Chromium is not installed (looked for chromium and chromium-browser on PATH, or "
                      "$KOVREL_CHROMIUM): the overlay page's browser tests need it; tools/setup-machine.sh "
                      "installs it";
    }
    ASSERT_TRUE(overlay_test::IsProgram(mChromium)) << "$KOVREL_CHROMIUM names no program: " << mChromium;
    static std::atomic<int> counter{0};
    const char* root = std::getenv("KOVREL_TEST_TMP");
    const fs::path base = root != nullptr ? fs::path(root) : fs::temp_directory_path() / "kovrel-tests";
    mFolder = fs::absolute(base / ("overlay" + std::to_string(::getpid()) + "-" + std::to_string(counter++)));
    fs::remove_all(mFolder);
    fs::create_directories(Site());
    fs::copy_file(KOVREL_OVERLAY_PAGE, Site() / "overlay.html");
    fs::copy_file(KOVREL_OVERLAY_HARNESS, Site() / "harness.html");
    mServer = std::make_unique<PageServer>(Site().string());
  }

  void TearDown() override {
    mBrowser.reset();
    mServer.reset();
    std::error_code ignored;
    if (!mFolder.empty()) fs::remove_all(mFolder, ignored);
  }

  fs::path Site() const { return mFolder / "site"; }

  // Loads the page; `options` is its query string.
  void Open(const std::string& options = "") {
    const std::string url = "http://127.0.0.1:" + std::to_string(mServer->Port()) + "/harness.html" +
                            (options.empty() ? "" : "?" + options);
    const std::string run = std::to_string(++mOpened);
    mBrowser = std::make_unique<HeadlessBrowser>(mChromium, url, (mFolder / ("profile" + run)).string(),
                                                 (mFolder / ("chromium" + run + ".log")).string());
  }

  // Replaces status.json whole, so the page never reads it half written
  // unless a test means it to.
  void Publish(const std::string& bytes) {
    WriteBytes(Site() / "status.json.new", bytes);
    fs::rename(Site() / "status.json.new", Site() / "status.json");
  }

  static Shown TextOf(const nlohmann::json& report) {
    Shown shown;
    for (const char* part : kParts) shown[part] = report["text"].value(part, "");
    return shown;
  }

  static Shown Complete(Shown expected) {
    for (const char* part : kParts) expected.emplace(part, "");
    return expected;
  }

  // Waits until the page shows exactly `expected`; the first wait includes
  // the browser's start.
  nlohmann::json WaitToShow(const Shown& wanted) {
    const Shown expected = Complete(wanted);
    std::string report;
    const bool shown = mServer->WaitForReport(
        [&](const std::string& text) { return TextOf(nlohmann::json::parse(text)) == expected; },
        mSeenOnce ? 10s : 40s, report);
    mSeenOnce = mSeenOnce || !report.empty();
    if (!shown) {
      ADD_FAILURE() << "the page never showed what was expected; last report: "
                    << (report.empty() ? "none" : report);
      return {};
    }
    return nlohmann::json::parse(report);
  }

  // Waits until the whole page's opacity reads `opacity` (a CSS number as text).
  bool WaitForOpacity(const std::string& opacity, std::chrono::milliseconds timeout) {
    std::string report;
    return mServer->WaitForReport(
        [&](const std::string& text) { return nlohmann::json::parse(text)["opacity"] == opacity; }, timeout,
        report);
  }

  // Reads of status.json from request `from` on that got `status`.
  int StatusReads(std::size_t from, int status, const std::string& path = "/status.json") const {
    const auto requests = mServer->Requests();
    int count = 0;
    for (std::size_t i = from; i < requests.size(); ++i) {
      if (requests[i].path == path && requests[i].status == status) ++count;
    }
    return count;
  }

  void PublishStandings(const std::string& bytes) {
    WriteBytes(Site() / "standings.json.new", bytes);
    fs::rename(Site() / "standings.json.new", Site() / "standings.json");
  }

  // Waits until the tower satisfies `done`; returns the page's tower report.
  nlohmann::json WaitForTower(const std::function<bool(const nlohmann::json&)>& done, const std::string& what) {
    std::string report;
    const bool seen = mServer->WaitForReport(
        [&](const std::string& text) {
          const nlohmann::json tower = nlohmann::json::parse(text)["tower"];
          return !tower.is_null() && done(tower);
        },
        mSeenOnce ? 10s : 40s, report);
    mSeenOnce = mSeenOnce || !report.empty();
    if (!seen) {
      ADD_FAILURE() << "the tower never showed " << what << "; last report: " << (report.empty() ? "none" : report);
      return {};
    }
    return nlohmann::json::parse(report)["tower"];
  }

  static std::size_t RowCount(const nlohmann::json& tower) {
    std::size_t rows = 0;
    for (const auto& block : tower["blocks"]) rows += block["rows"].size();
    return rows;
  }

  // Lets the page read status.json at least `reads` times more with `status`.
  void LetPageRead(int reads, int status) {
    const std::size_t from = mServer->Requests().size();
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (StatusReads(from, status) < reads && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(50ms);
    }
    ASSERT_GE(StatusReads(from, status), reads) << "the page stopped reading status.json";
  }

  // The page still shows `shown`, in full view.
  void ExpectStill(const Shown& shown, const std::string& after) {
    const nlohmann::json report = LastReport();
    EXPECT_EQ(TextOf(report), Complete(shown)) << "after " << after;
    EXPECT_EQ(report["opacity"], "1") << "after " << after;
  }

  nlohmann::json LastReport() {
    std::string report;
    mServer->WaitForReport([](const std::string&) { return true; }, 0ms, report);
    return report.empty() ? nlohmann::json() : nlohmann::json::parse(report);
  }

  std::string mChromium;
  fs::path mFolder;
  std::unique_ptr<PageServer> mServer;
  std::unique_ptr<HeadlessBrowser> mBrowser;
  bool mSeenOnce = false;
  int mOpened = 0;
};

// Three documents the plug-in wrote during a kovrel-sim race (20 cars, 4 laps,
// seed 7, contacts injected at 200 and 330 s): a battle seen from the TV
// cockpit, a replay, and after the flag.
TEST_F(OverlayPage, FollowsARealRaceThroughABattleAReplayAndTheFinish) {
  Publish(Fixture("race-battle.json"));
  Open();
  WaitToShow({{"place", "9"},
              {"name", "Tomasz Chen"},
              {"camera", "TV COCKPIT"},
              {"battle-label", "CLOSEST BATTLE"},
              {"battle-gap", "0.386 s"},
              {"session", "RACE"},
              {"clock", "LAP 1 / 4"},
              {"leader", "Emil Jansen"}});

  // The director still rates a battle during the replay; the tag waits, and
  // the clock's REPLAY is said once, in the lower third.
  Publish(Fixture("race-replay.json"));
  WaitToShow({{"place", "REPLAY"}, {"name", "Lucia Rinaldi"}, {"session", "RACE"}, {"leader", "Emil Jansen"}});

  Publish(Fixture("race-finish.json"));
  WaitToShow({{"place", "2"},
              {"name", "Elif Hofer"},
              {"session", "RACE"},
              {"clock", "Race finished"},
              {"leader", "Emil Jansen"}});
}

TEST_F(OverlayPage, NamesShowAsTextAndRunNothing) {
  StatusDoc doc;
  doc.driver = "<img src=x onerror=fetch('/ran')>";
  doc.leader = "<b>Roe</b> & \"Sons\"";
  Publish(doc.Text());
  Open();

  const nlohmann::json report = WaitToShow({{"place", "3"},
                                            {"name", "<img src=x onerror=fetch('/ran')>"},
                                            {"battle-label", "CLOSEST BATTLE"},
                                            {"battle-gap", "0.350 s"},
                                            {"session", "RACE"},
                                            {"clock", "LAP 5 / 20"},
                                            {"leader", "<b>Roe</b> & \"Sons\""}});
  LetPageRead(4, 200);
  for (const overlay_test::Request& request : mServer->Requests()) {
    EXPECT_NE(request.path, "/ran") << "the name's markup ran";
    EXPECT_NE(request.path, "/x") << "the name's markup was parsed as HTML";
  }
  if (!report.is_null()) {
    EXPECT_EQ(report["images"], 0);
  }
}

TEST_F(OverlayPage, NamesInWindows1252OrUtf8BothRead) {
  StatusDoc doc;
  doc.driver = "J\xF6rg M\xFC" "ller \x80";      // windows-1252, as older builds give names
  doc.leader = "Zo\xC3\xAB \xC5\x81ukasz";        // UTF-8
  doc.onReplay = true;
  doc.position = 0;
  doc.clock = "REPLAY";
  Publish(doc.Text());
  Open();

  WaitToShow({{"place", "REPLAY"},
              {"name", "J\xC3\xB6rg M\xC3\xBCller \xE2\x82\xAC"},
              {"session", "RACE"},
              {"leader", "Zo\xC3\xAB \xC5\x81ukasz"}});
}

TEST_F(OverlayPage, AMissingEmptyOrHalfWrittenFileLeavesTheLastState) {
  StatusDoc first;
  first.driver = "Ann Example";
  first.position = 7;
  first.camera = "onboard";
  Publish(first.Text());
  Open("fade=0");  // however slow the machine, no fading out between the checks
  const Shown before = {{"place", "7"},
                        {"name", "Ann Example"},
                        {"camera", "ONBOARD"},
                        {"battle-label", "CLOSEST BATTLE"},
                        {"battle-gap", "0.350 s"},
                        {"session", "RACE"},
                        {"clock", "LAP 5 / 20"},
                        {"leader", "John Roe"}};
  WaitToShow(before);
  ASSERT_TRUE(WaitForOpacity("1", 5s)) << "never faded in";

  StatusDoc next = first;
  next.driver = "Bea Example";
  const std::string nextText = next.Text();
  fs::remove(Site() / "status.json");
  LetPageRead(4, 404);  // two a poll: with and without the query
  ExpectStill(before, "a missing file");

  WriteBytes(Site() / "status.json", nextText.substr(0, nextText.size() / 2));
  LetPageRead(3, 200);
  ExpectStill(before, "a half-written file");

  WriteBytes(Site() / "status.json", "");
  LetPageRead(3, 200);
  ExpectStill(before, "an empty file, as at a session's start");

  Publish(nextText);
  Shown after = before;
  after["name"] = "Bea Example";
  WaitToShow(after);
}

TEST_F(OverlayPage, FadesOutWhileTheFileStaysTheSameAndBackOnAChange) {
  StatusDoc doc;
  Publish(doc.Text());
  Open("fade=2");
  WaitToShow({{"place", "3"},
              {"name", "Jane Doe"},
              {"battle-label", "CLOSEST BATTLE"},
              {"battle-gap", "0.350 s"},
              {"session", "RACE"},
              {"clock", "LAP 5 / 20"},
              {"leader", "John Roe"}});
  ASSERT_TRUE(WaitForOpacity("1", 5s));

  // Rewritten with the same bytes, as the plug-in does while nothing moves.
  const auto rewritten = std::chrono::steady_clock::now();
  Publish(doc.Text());
  ASSERT_TRUE(WaitForOpacity("0", 10s)) << "never faded out";
  EXPECT_GE(std::chrono::steady_clock::now() - rewritten, 1500ms) << "faded out too soon";

  doc.gap = "0.420";
  Publish(doc.Text());
  EXPECT_TRUE(WaitForOpacity("1", 10s)) << "a changed file did not bring the page back";
}

// The page asks with a query string that defeats caches; a host that looks
// for a file of that name must still get the page its document.
TEST_F(OverlayPage, ReadsThePlainNameWhereTheHostRefusesQueries) {
  mServer = std::make_unique<PageServer>(Site().string(), true);
  StatusDoc doc;
  doc.inBattle = false;
  Publish(doc.Text());
  Open();
  const Shown first = {
      {"place", "3"}, {"name", "Jane Doe"}, {"session", "RACE"}, {"clock", "LAP 5 / 20"}, {"leader", "John Roe"}};
  WaitToShow(first);

  doc.clock = "Last lap";
  Publish(doc.Text());
  Shown next = first;
  next["clock"] = "Last lap";
  WaitToShow(next);
  EXPECT_GE(StatusReads(0, 404), 1) << "the host never refused a query";
}

TEST_F(OverlayPage, QueryStringMovesScalesAndHidesPanels) {
  StatusDoc doc;
  doc.sideBySide = true;
  Publish(doc.Text());
  Open();
  const nlohmann::json plain = WaitToShow({{"place", "3"},
                                           {"name", "Jane Doe"},
                                           {"battle-label", "SIDE BY SIDE"},
                                           {"session", "RACE"},
                                           {"clock", "LAP 5 / 20"},
                                           {"leader", "John Roe"}});
  mBrowser.reset();
  mSeenOnce = false;

  Open("corner=left&scale=0.5&hide=clock,battle");
  const nlohmann::json changed = WaitToShow({{"place", "3"}, {"name", "Jane Doe"}, {"leader", "John Roe"}});
  if (plain.is_null() || changed.is_null()) return;
  EXPECT_GT(plain["corner"]["left"].get<double>(), 960.0);
  EXPECT_LT(changed["corner"]["left"].get<double>(), 960.0);
  EXPECT_NEAR(changed["lower"]["height"].get<double>(), plain["lower"]["height"].get<double>() / 2, 1.0);
}

// The tower of a 44-car race of three classes: a block per class in pace
// order with its colour, ten cars each, the car on air highlighted even from
// beyond the tenth place of its class, and the marks of a race in progress.
TEST_F(OverlayPage, TowerOfAFortyFourCarRaceByClass) {
  StandingsDoc standings;
  standings.OnAir(38);  // GT3, 15th of its class
  standings.Car(37)["in_battle"] = true;
  standings.Car(38)["in_battle"] = true;
  standings.Car(3)["in_pit"] = true;
  standings.Car(5)["status"] = "out";
  standings.Car(5)["gap_ahead_s"] = nullptr;
  standings.Car(10)["gap_ahead_s"] = nullptr;
  standings.Car(10)["laps_down"] = 1;
  standings.Car(24)["laps_down"] = 0;
  PublishStandings(standings.Text());
  Open();  // no status.json at all: the tower shows on its own

  const nlohmann::json tower = WaitForTower(
      [](const nlohmann::json& t) { return t["blocks"].size() == 3 && t["opacity"] == "1"; }, "3 classes in full view");
  if (tower.is_null()) return;
  const char* const heads[] = {"LMP2_ELMS|13 CARS", "LMP3|10 CARS", "GT3|21 CARS"};
  std::set<std::string> colours;
  for (std::size_t b = 0; b < 3; ++b) {
    const auto& block = tower["blocks"][b];
    EXPECT_EQ(block["head"], heads[b]);
    EXPECT_EQ(block["rows"].size(), 10u) << heads[b];
    colours.insert(block["colour"].get<std::string>());
  }
  EXPECT_EQ(colours.size(), 3u) << "each class its own colour";
  const auto& lmp2 = tower["blocks"][0]["rows"];
  EXPECT_EQ(lmp2[0]["text"], "1|3||Driver 1||LEADER");
  EXPECT_EQ(lmp2[1]["text"], "2|6||Driver 2||+1.250");
  EXPECT_EQ(lmp2[2]["text"], "3|9||Driver 3|PIT|+1.250");
  EXPECT_EQ(lmp2[4]["text"], "5|15||Driver 5||OUT");
  EXPECT_EQ(lmp2[9]["text"], "10|30||Driver 10||+1 LAP");

  const auto& gt3 = tower["blocks"][2]["rows"];
  EXPECT_EQ(gt3[9]["id"], 138) << "the car on air takes the last row of its class";
  EXPECT_EQ(gt3[9]["text"], "15|114||Driver 38||+1.250");
  EXPECT_TRUE(gt3[9]["onAir"].get<bool>());
  EXPECT_NE(gt3[9]["background"], gt3[8]["background"]) << "highlighted";
  int onAir = 0;
  for (const auto& block : tower["blocks"]) {
    for (const auto& row : block["rows"]) onAir += row["onAir"].get<bool>() ? 1 : 0;
  }
  EXPECT_EQ(onAir, 1);
  // Legible at 720p: at two thirds of 1080p a row is still 16 pixels high and
  // the whole tower stays clear of the lower third.
  EXPECT_GT(tower["box"]["height"].get<double>(), 30 * 24.0);
  EXPECT_LT(tower["box"]["top"].get<double>() + tower["box"]["height"].get<double>(), 880.0);
  EXPECT_EQ(LastReport()["text"]["name"], "") << "no status.json: no lower third";
}

TEST_F(OverlayPage, TowerShowsAHostileNameAsTextAndKeepsItsLastGoodDocument) {
  StandingsDoc standings;
  standings.Car(1)["driver"] = "<img src=x onerror=fetch('/ran')>";
  standings.Car(2)["driver"] = "Zo\xC3\xAB \"Q\" \\ \xE2\x82\xAC";
  PublishStandings(standings.Text());
  Publish(StatusDoc().Text());
  Open("fade=0");
  const auto hostile = [](const nlohmann::json& t) {
    return t["blocks"].size() == 3 && t["blocks"][0]["rows"][0]["text"] == "1|3||<img src=x onerror=fetch('/ran')>||LEADER";
  };
  const nlohmann::json tower = WaitForTower(hostile, "the hostile name as text");
  if (!tower.is_null()) {
    EXPECT_EQ(tower["blocks"][0]["rows"][1]["text"], "2|6||Zo\xC3\xAB \"Q\" \\ \xE2\x82\xAC||+1.250");
  }
  EXPECT_EQ(LastReport()["images"], 0);

  const std::string next = [&] {
    StandingsDoc changed;
    changed.Car(1)["driver"] = "Bea Example";
    return changed.Text();
  }();
  fs::remove(Site() / "standings.json");
  LetPageRead(4, 200);
  WriteBytes(Site() / "standings.json", next.substr(0, next.size() / 2));
  LetPageRead(4, 200);
  WriteBytes(Site() / "standings.json", "");  // emptied at a session's start
  LetPageRead(4, 200);
  EXPECT_TRUE(hostile(LastReport()["tower"])) << "a missing, torn or empty file keeps the last tower";
  for (const overlay_test::Request& request : mServer->Requests()) {
    EXPECT_NE(request.path, "/ran") << "the name's markup ran";
    EXPECT_NE(request.path, "/x") << "the name's markup was parsed as HTML";
  }
  EXPECT_GE(StatusReads(0, 404, "/standings.json"), 1) << "the page never met the missing file";

  PublishStandings(next);
  WaitForTower([](const nlohmann::json& t) {
    return t["blocks"].size() == 3 && t["blocks"][0]["rows"][0]["text"] == "1|3||Bea Example||LEADER";
  }, "the next good document");
}

// Rows, gaps to the leader, the replay, and places gained over a lap.
TEST_F(OverlayPage, TowerOptionsReplayAndPlacesGained) {
  StandingsDoc standings;
  PublishStandings(standings.Text());
  Open("rows=3&gaps=leader&fade=0");
  WaitForTower([](const nlohmann::json& t) {
    return t["blocks"].size() == 3 && RowCount(t) == 9 && t["blocks"][1]["rows"][2]["text"] == "3|48||Driver 16||+2.500";
  }, "three rows a class with gaps to the leader");

  // Driver 3 passes the two ahead of it in the lap it completes.
  StandingsDoc passed = standings;
  for (int place = 1; place <= 3; ++place) passed.Car(place)["laps"] = 11;
  passed.Car(3)["class_place"] = 1;
  passed.Car(1)["class_place"] = 2;
  passed.Car(2)["class_place"] = 3;
  std::swap(passed.doc["cars"][0], passed.doc["cars"][2]);
  std::swap(passed.doc["cars"][1], passed.doc["cars"][2]);
  PublishStandings(passed.Text());
  WaitForTower([](const nlohmann::json& t) {
    return t["blocks"].size() == 3 && t["blocks"][0]["rows"][0]["text"] == "1|9|\u25B22|Driver 3||LEADER" &&
           t["blocks"][0]["rows"][2]["text"] == "3|6|\u25BC1|Driver 2||+1.250";
  }, "the places gained and lost over the lap");

  passed.doc["replay_id"] = 105;
  PublishStandings(passed.Text());
  WaitForTower([](const nlohmann::json& t) { return t["opacity"] == "0"; }, "no tower during the replay");
  passed.doc["replay_id"] = nullptr;
  PublishStandings(passed.Text());
  WaitForTower([](const nlohmann::json& t) { return t["opacity"] == "1"; }, "the tower back after the replay");
}

}  // namespace
