#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "analysis/analysis.hpp"
#include "report/json_report.hpp"
#include "report/sample_race.hpp"
#include "sim_test_support.hpp"

namespace {

using ksim_test::ARace;
using ksim_test::ItsCoverage;
using nlohmann::json;

json Exported() { return json::parse(ksim::JsonReport(ARace(), {ItsCoverage()})); }

TEST(JsonReport, HoldsTheSessionItsCarsAndItsCoverage) {
  const json document = Exported();
  ASSERT_EQ(document.at("sessions").size(), 1u);
  const json& session = document["sessions"][0];
  EXPECT_EQ(session.at("kind"), "race");
  EXPECT_EQ(session.at("session_number"), 10);
  EXPECT_EQ(session.at("track"), "Kovrel Park GP");
  EXPECT_EQ(session.at("duration_s"), 1200.0);
  ASSERT_EQ(session.at("cars").size(), 4u);
  EXPECT_EQ(session["cars"][2].at("id"), 32);
  EXPECT_EQ(session["cars"][2].at("driver"), "J\xC3\xA9r\xC3\xB4me Delbarre") << "Latin-1 bytes re-encoded";
  EXPECT_EQ(session["cars"][2].at("final_place"), 3);
  EXPECT_EQ(session.at("cuts"), 0);
  EXPECT_EQ(session.at("replay_count"), 1);
  EXPECT_EQ(session.at("shot_median_s"), 200.0);
  const json& coverage = session.at("coverage");
  EXPECT_DOUBLE_EQ(coverage.at("score").get<double>(), 0.49);
  EXPECT_DOUBLE_EQ(coverage.at("reference").get<double>(), 0.97);
  EXPECT_DOUBLE_EQ(coverage.at("shown_weight").get<double>(), 5.25);
  EXPECT_EQ(coverage.at("kinds").at("contact"),
            (json{{"count", 2}, {"live", 0}, {"late", 0}, {"replay", 1}, {"missed", 1}, {"hindsight", 2}, {"heavy", 1}}));
  EXPECT_EQ(coverage["kinds"].at("pit_stop").at("count"), 0) << "every kind is there, with or without events";
  EXPECT_EQ(coverage.at("penalties").at("short_shots"), 1);
  EXPECT_EQ(document.at("settings").at("waitsec"), 15);
  EXPECT_EQ(document.at("run").at("snapshots"), 6000);
  EXPECT_EQ(document.at("run").at("wall_s"), 0.4);
}

TEST(JsonReport, EachEventHasItsVerdictAndWhatWasOnAirInstead) {
  const json events = Exported()["sessions"][0].at("events");
  ASSERT_EQ(events.size(), 5u);
  const json& lead = events[0];
  EXPECT_EQ(lead.at("kind"), "lead_change");
  EXPECT_EQ(lead.at("time"), 450.0);
  EXPECT_EQ(lead.at("moment_start_s"), 448.0);
  EXPECT_EQ(lead.at("moment_end_s"), 451.0);
  EXPECT_EQ(lead.at("cars"), (json{"<b>Bold & Co</b>", "Heigo Poom"})) << "the passing car first";
  EXPECT_EQ(lead.at("car_ids"), (json{31, 30}));
  EXPECT_EQ(lead.at("place"), 1);
  EXPECT_EQ(lead.at("verdict"), "live");
  EXPECT_EQ(lead.at("live_share"), 1.0);
  EXPECT_EQ(lead.at("credit"), 1.0);
  EXPECT_TRUE(lead.at("instead").is_null()) << "nothing else was on air";
  EXPECT_TRUE(lead.at("strength").is_null()) << "a contact's fields are null for a pass";

  const json& contact = events[1];
  EXPECT_EQ(contact.at("strength"), 0.92);
  EXPECT_EQ(contact.at("target"), "another vehicle");
  EXPECT_EQ(contact.at("heavy"), true);
  EXPECT_EQ(contact.at("heavy_reason"), "lost 2 places");
  EXPECT_EQ(contact.at("weight"), 3.0);
  EXPECT_TRUE(contact.at("place").is_null());
  EXPECT_EQ(contact.at("verdict"), "replay");
  EXPECT_EQ(contact.at("credit"), ksim::kReplayCredit);
  EXPECT_EQ(contact.at("instead").at("reason"), "side_by_side");

  const json& pass = events[2];
  EXPECT_EQ(pass.at("verdict"), "missed");
  EXPECT_EQ(pass.at("instead").at("car"), "J\xC3\xA9r\xC3\xB4me Delbarre");
  EXPECT_EQ(pass.at("instead").at("car_id"), 32);
  EXPECT_EQ(pass.at("instead").at("replay"), false);
  EXPECT_EQ(pass.at("instead").at("reason"), "after_replay");
  EXPECT_EQ(events[4].at("instead").at("auto_off"), true);
}

TEST(JsonReport, HoldsEveryShotAndEachReplaysStretchOfTheSession) {
  const json session = Exported()["sessions"][0];
  const json& shots = session.at("shots");
  ASSERT_EQ(shots.size(), 6u);
  EXPECT_TRUE(shots[0].at("car_id").is_null()) << "the simulator's own picture";
  EXPECT_EQ(shots[3], (json{{"start_s", 600.0}, {"end_s", 620.0}, {"car_id", 32}, {"camera", ksim::CameraName(4)},
                            {"reason", "unknown"}, {"replay", true}, {"manual", false}}));
  EXPECT_EQ(shots[4].at("reason"), "after_replay");
  ASSERT_EQ(session.at("replays").size(), 1u);
  EXPECT_EQ(session["replays"][0], (json{{"car_id", 32}, {"shows_from_s", 585.0}, {"shows_to_s", 592.5},
                                          {"slow_from_s", 589.0}, {"slow_to_s", 591.25}, {"manual", false}}));
}

TEST(JsonReport, NeedsOneAnalysisPerSession) {
  EXPECT_THROW(ksim::JsonReport(ARace(), {}), std::invalid_argument);
}

TEST(JsonReport, IsWrittenWholeOrNotAtAll) {
  ksim_test::TempDir dir;
  const std::string path = dir.File("run.json");
  ksim_test::WriteBytes(path, std::string(100000, 'x'));
  ksim::WriteJsonReport(ARace(), {ItsCoverage()}, path);
  EXPECT_EQ(json::parse(ksim_test::ReadBytes(path)), Exported()) << "an old, longer file is replaced whole";
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));

  const std::string missingFolder = dir.File("no/such/folder/run.json");
  try {
    ksim::WriteJsonReport(ARace(), {ItsCoverage()}, missingFolder);
    ADD_FAILURE() << "no error for " << missingFolder;
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("cannot write the JSON export " + missingFolder), std::string::npos)
        << error.what();
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("no")));

  // A folder where the file should go: written beside it, then not renamed over it.
  const std::string folder = dir.File("taken.json");
  std::filesystem::create_directory(folder);
  EXPECT_THROW(ksim::WriteJsonReport(ARace(), {ItsCoverage()}, folder), std::runtime_error);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_FALSE(std::filesystem::exists(folder + ".part")) << "the temporary file is removed";
}

}  // namespace
