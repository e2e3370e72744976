// The snapshot trace: what the plug-in records through the host's calls, and
// what the reader makes of good, torn and broken files.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "outputs/trace_format.hpp"
#include "plugin/rF2kovrel.hpp"
#include "sessions/snapshot_trace.hpp"
#include "sim_test_support.hpp"

namespace {

namespace fs = std::filesystem;

// A small field whose members all differ from their zero values.
struct Field {
  ScoringInfoV01 info{};
  std::vector<VehicleScoringInfoV01> cars;
  std::string stream;

  explicit Field(int count) : cars(static_cast<std::size_t>(count)) {
    std::strcpy(info.mTrackName, "Circuit de la Sarthe 100%");
    info.mSession = 10;
    info.mEndET = 3600.0;
    info.mMaxLaps = 24;
    info.mLapDist = 13626.4049;
    info.mGamePhase = 5;
    info.mYellowFlagState = -1;
    for (int i = 0; i < count; ++i) {
      VehicleScoringInfoV01& v = cars[static_cast<std::size_t>(i)];
      v.mID = 100 + i;
      std::snprintf(v.mDriverName, sizeof v.mDriverName, "Dr %c\xC3\xA9 %%", 'A' + i);
      std::memset(v.mVehicleName, 'V', sizeof v.mVehicleName);  // 64 bytes, no terminating zero
      std::strcpy(v.mVehicleClass, "Hyper car");
      v.mPlace = static_cast<unsigned char>(i + 1);
      v.mTotalLaps = 3;
      v.mLapDist = 1000.0 + 10.004 * i;
      v.mSector = 2;
      v.mTimeBehindNext = 0.4567 * i;
      v.mTimeBehindLeader = 1.2344 * i;
      v.mLapsBehindNext = i % 2;
      v.mLapsBehindLeader = i;
      v.mPitState = 3;
      v.mInPits = true;
      v.mFinishStatus = 2;
      v.mBestLapTime = 203.4567;
      v.mBestSector1 = 60.1;
      v.mBestSector2 = 130.25;
      v.mLastLapTime = -1.0;
      v.mLastSector1 = 61.0;
      v.mLastSector2 = 131.0;
      v.mCurSector1 = 59.9999;
      v.mCurSector2 = -1.0;
      v.mLapStartET = 812.0006;
      v.mControl = -1;
      v.mIsPlayer = i == 0;
      v.mNumPitstops = 2;
      v.mInGarageStall = i == 1;
    }
    info.mNumVehicles = count;
    info.mVehicle = cars.data();
    // Every byte value once, line feeds among them.
    for (int c = 1; c < 256; ++c) stream.push_back(static_cast<char>(c));
    info.mResultsStream = stream.data();
  }
};

std::vector<std::string> TraceFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".kvt") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every complete snapshot of the bytes, as the reader hands them out.
std::vector<ksim::TracedSnapshot> ReadAll(const std::string& bytes, int* tornAt = nullptr) {
  ksim::SnapshotTraceReader reader("t.kvt", bytes);
  std::vector<ksim::TracedSnapshot> snapshots;
  while (reader.Next()) snapshots.push_back(reader.Current());
  if (tornAt != nullptr) *tornAt = reader.TornAt();
  return snapshots;
}

std::string Written(std::vector<Field*> fields) {
  TraceWriter writer;
  std::string out = kTraceHeader;
  double t = 0.0;
  for (Field* f : fields) {
    f->info.mCurrentET = t;
    t += 0.2;
    writer.Append(f->info, out);
  }
  return out;
}

// The plug-in as the simulator leaves it set up, recording into a folder of
// its own with the automatic camera off (recording does not depend on it).
class Recording : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = dir.Path();
    plugin.filespath = folder;
    plugin.recordtrace = 1;
    plugin.auto_ = 0;
  }
  void Snapshot(double t, int session = 10) {
    field.info.mCurrentET = t;
    field.info.mSession = session;
    plugin.UpdateScoring(field.info);
  }

  ksim_test::TempDir dir;
  std::string folder;
  rF2kovrel plugin;
  Field field{3};
};

TEST_F(Recording, EveryMemberComesBackAsTheTraceRoundsIt) {
  Snapshot(12.3456);
  plugin.EndSession();
  const std::vector<std::string> files = TraceFiles(folder);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].find("-s10.kvt"), std::string::npos) << files[0];
  const std::vector<ksim::TracedSnapshot> read = ReadAll(Bytes(files[0]));
  ASSERT_EQ(read.size(), 1u);
  ScoringInfoV01 expected = field.info;
  std::vector<VehicleScoringInfoV01> cars = field.cars;
  expected.mVehicle = cars.data();
  RoundToTrace(expected);
  const ScoringInfoV01& got = read[0].info;
  EXPECT_EQ(+got.mCurrentET, 12.346);
  EXPECT_STREQ(got.mTrackName, expected.mTrackName);
  EXPECT_EQ(+got.mLapDist, 13626.40);
  EXPECT_EQ(+got.mEndET, +expected.mEndET);
  EXPECT_EQ(+got.mMaxLaps, 24);
  EXPECT_EQ(+got.mGamePhase, 5);
  EXPECT_EQ(+got.mYellowFlagState, -1);
  EXPECT_EQ(read[0].stream, field.stream) << "the stream additions byte for byte";
  ASSERT_EQ(got.mNumVehicles, 3);
  for (int i = 0; i < 3; ++i) {
    const VehicleScoringInfoV01& a = cars[static_cast<std::size_t>(i)];
    const VehicleScoringInfoV01& b = read[0].cars[static_cast<std::size_t>(i)];
    EXPECT_EQ(std::memcmp(a.mDriverName, b.mDriverName, sizeof a.mDriverName), 0) << i;
    EXPECT_EQ(std::memcmp(a.mVehicleName, b.mVehicleName, sizeof a.mVehicleName), 0) << "all 64 bytes";
    EXPECT_STREQ(a.mVehicleClass, b.mVehicleClass);
    // Copies (+): the packed records' members cannot be bound to references.
    const std::vector<std::pair<double, double>> numbers = {
        {+a.mID, +b.mID}, {+a.mPlace, +b.mPlace}, {+a.mTotalLaps, +b.mTotalLaps}, {+a.mLapDist, +b.mLapDist},
        {+a.mSector, +b.mSector}, {+a.mTimeBehindNext, +b.mTimeBehindNext}, {+a.mTimeBehindLeader, +b.mTimeBehindLeader},
        {+a.mLapsBehindNext, +b.mLapsBehindNext}, {+a.mLapsBehindLeader, +b.mLapsBehindLeader},
        {+a.mPitState, +b.mPitState}, {+a.mInPits, +b.mInPits}, {+a.mFinishStatus, +b.mFinishStatus},
        {+a.mBestLapTime, +b.mBestLapTime}, {+a.mBestSector1, +b.mBestSector1}, {+a.mBestSector2, +b.mBestSector2},
        {+a.mLastLapTime, +b.mLastLapTime}, {+a.mLastSector1, +b.mLastSector1}, {+a.mLastSector2, +b.mLastSector2},
        {+a.mCurSector1, +b.mCurSector1}, {+a.mCurSector2, +b.mCurSector2}, {+a.mLapStartET, +b.mLapStartET},
        {+a.mControl, +b.mControl}, {+a.mIsPlayer, +b.mIsPlayer}, {+a.mNumPitstops, +b.mNumPitstops},
        {+a.mInGarageStall, +b.mInGarageStall}};
    for (std::size_t m = 0; m < numbers.size(); ++m) EXPECT_EQ(numbers[m].first, numbers[m].second) << "car " << i << " member " << m;
  }
}

TEST_F(Recording, WritesOnceASecondOfSessionTimeAndWhatIsLeftAtTheSessionsEnd) {
  for (int k = 0; k < 5; ++k) Snapshot(0.2 * k);
  EXPECT_TRUE(TraceFiles(folder).empty()) << "kept in memory for the first second";
  Snapshot(1.0);
  ASSERT_EQ(TraceFiles(folder).size(), 1u);
  EXPECT_EQ(ReadAll(Bytes(TraceFiles(folder)[0])).size(), 6u) << "one append of the second's snapshots";
  Snapshot(1.2);
  Snapshot(1.4);
  EXPECT_EQ(ReadAll(Bytes(TraceFiles(folder)[0])).size(), 6u);
  plugin.Shutdown();
  EXPECT_EQ(ReadAll(Bytes(TraceFiles(folder)[0])).size(), 8u);
}

TEST_F(Recording, ANewSessionOrARestartStartsAFileOfItsOwn) {
  Snapshot(5.0, 10);
  Snapshot(5.2, 10);
  Snapshot(5.4, 11);  // another session number
  Snapshot(1.0, 11);  // the clock went back: the session was restarted
  plugin.StartSession();
  Snapshot(2.0, 11);
  plugin.EndSession();
  const std::vector<std::string> files = TraceFiles(folder);
  ASSERT_EQ(files.size(), 4u);
  std::vector<std::size_t> counts;
  for (const std::string& file : files) counts.push_back(ReadAll(Bytes(file)).size());
  std::sort(counts.begin(), counts.end());
  EXPECT_EQ(counts, (std::vector<std::size_t>{1, 1, 1, 2}));
}

TEST_F(Recording, WithoutTheKeyNothingIsWritten) {
  plugin.recordtrace = 0;
  for (int k = 0; k < 20; ++k) Snapshot(0.2 * k);
  plugin.EndSession();
  plugin.Shutdown();
  EXPECT_TRUE(TraceFiles(folder).empty());
}

TEST_F(Recording, AFullDiskStopsTheSessionsRecordingWithOneDebugLineAndLeavesAReadableTrace) {
  plugin.debug = 1;
  rlimit before{};
  ::getrlimit(RLIMIT_FSIZE, &before);
  rlimit lowered = before;
  lowered.rlim_cur = 6000;  // room for a few seconds' snapshots, then no more
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &lowered);
  for (int k = 0; k < 100; ++k) Snapshot(0.2 * k);
  plugin.EndSession();
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, handler);
  const std::string log = Bytes(folder + "/debug.log");
  std::size_t lines = 0;
  for (std::size_t at = log.find("Trace recording stopped"); at != std::string::npos; at = log.find("Trace recording stopped", at + 1)) ++lines;
  EXPECT_EQ(lines, 1u) << log;
  const std::vector<std::string> files = TraceFiles(folder);
  ASSERT_EQ(files.size(), 1u);
  int tornAt = 0;
  const std::vector<ksim::TracedSnapshot> read = ReadAll(Bytes(files[0]), &tornAt);
  EXPECT_GT(read.size(), 0u);
  EXPECT_LT(read.size(), 100u);
}

TEST(TraceWriter, WritesOnlyWhatChangedAndNamesASkippedCarsPosition) {
  Field first(3);
  Field second(3);
  second.stream.clear();
  second.info.mResultsStream = nullptr;
  second.cars[2].mLapDist += 5.0;
  second.cars[0].mPlace = 9;
  const std::string trace = Written({&first, &second});
  const std::string tail = trace.substr(trace.find("T0.200\n"));
  EXPECT_EQ(tail, "T0.200\np9\n@2 d1025.01\nE\n");
  const std::vector<ksim::TracedSnapshot> read = ReadAll(trace);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(+read[1].cars[1].mLapDist, 1010.0) << "an unchanged car keeps its members";
  EXPECT_EQ(+read[1].cars[2].mLapDist, 1025.01);
  EXPECT_TRUE(read[1].stream.empty());
}

TEST(SnapshotTraceReader, ACutAnywhereReplaysTheCompleteSnapshotsBeforeIt) {
  Field a(2), b(2), c(2);
  b.cars[0].mLapDist += 1.0;
  c.cars[1].mLapDist += 1.0;
  const std::string trace = Written({&a, &b, &c});
  const std::size_t ends[] = {trace.find("E\n") + 2, trace.find("E\n", trace.find("E\n") + 2) + 2, trace.size()};
  for (std::size_t cut = 0; cut <= trace.size(); ++cut) {
    const std::string bytes = trace.substr(0, cut);
    int tornAt = 0;
    std::vector<ksim::TracedSnapshot> read;
    if (cut + 1 < std::strlen(kTraceHeader)) {
      EXPECT_THROW(read = ReadAll(bytes), ksim::SnapshotTraceError) << cut;
      continue;
    }
    ASSERT_NO_THROW(read = ReadAll(bytes, &tornAt)) << cut;
    std::size_t complete = 0;
    for (const std::size_t end : ends) complete += cut >= end ? 1 : 0;
    EXPECT_EQ(read.size(), complete) << cut;
    const bool atBoundary = cut == std::strlen(kTraceHeader) || cut == ends[0] || cut == ends[1] || cut == ends[2];
    EXPECT_EQ(tornAt != 0, !atBoundary) << cut;
  }
}

TEST(SnapshotTraceReader, RefusesBrokenFilesNamingTheLine) {
  const std::string start = "KVT 1\nT0.000\nS n10 p5 v1\n";
  const struct {
    std::string bytes;
    const char* says;
  } cases[] = {
      {"KVT 2\n", "t.kvt: line 1: a trace of version 2"},
      {"<?xml version=\"1.0\"?>\n", "line 1: not a snapshot trace"},
      {start + "i3 d12.3\nE\n", "line 4: car member 'd' wants a number with 2 decimals, at most 10^12 either way, not \"12.3\""},
      {start + "i3 Q1\nE\n", "line 4: unknown car member 'Q'"},
      {"KVT 1\nT0.000\nS n10 w3\nE\n", "line 3: unknown session member 'w'"},
      {start + "E\nT5.000\nE\nT4.000\nE\n", "line 7: the snapshot at 4.000 s comes after one at 5.000 s"},
      {start + "@1 i4\nE\n", "line 4: a record for car position 1 in a field of 1"},
      {start + "nBad%G1\nE\n", "line 4: a broken %XX escape"},
      {start + "E\nT1.000\nS n11\nE\n", "line 5: the session number changes from 10 to 11"},
      {"KVT 1\nT0.000\ni1\nE\n", "line 3: a car line before the first session line"},
      {start + "E\nE\n", "line 5: a snapshot begins with its time"},
      {start + "T1.000\n", "line 4: a new snapshot before the end"},
      {start + "#\nE\n", "line 4: a line that does not parse"},
      {"KVT 1\nT0.000\nS n10 v5000\nE\n", "line 3: a field of 5000 cars"},
      // Found by the fuzz target: a raw byte the writer escapes, a position
      // beyond any whole number, a time beyond any session.
      {start + std::string("nD\x01r\nE\n"), "line 4: a broken %XX escape or a byte left unescaped"},
      {start + "@8121104200\nE\n", "line 4: a record for car position 8121104200"},
      {start + "r1234567890123456789.000\nE\n", "line 4: car member 'r' wants a number with 3 decimals"},
      // A distance beyond what the writer can hold would not read back the same.
      {start + "d2144444444444.00\nE\n", "line 4: car member 'd' wants a number with 2 decimals, at most 10^12"},
  };
  for (const auto& c : cases) {
    try {
      ReadAll(c.bytes);
      ADD_FAILURE() << "accepted: " << c.bytes;
    } catch (const ksim::SnapshotTraceError& error) {
      EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
    }
  }
}

}  // namespace

namespace {

// What kovrel-sim refuses before it loads anything: exit 2 and a line that
// names the problem (and, for a broken trace, its file and line).
TEST(TraceCommandLine, RefusesWhatATraceCannotBeReplayedWith) {
  ksim_test::TempDir dir;
  const std::string trace = dir.File("t.kvt");
  ksim_test::WriteBytes(trace, "KVT 1\nT0.000\nS n10 p5 v1\ni3 d12.3\nE\n");
  const std::string sim = std::string(KSIM_EXECUTABLE) + " --quiet --workdir " + dir.File("w");
  const struct {
    std::string arguments;
    const char* says;
  } cases[] = {
      {"--trace " + trace + " --cars 12", "cannot be used with --cars"},
      {"--trace " + trace + " --timing-noise 0.2", "cannot be used with --timing-noise"},
      {"--trace " + trace + " --session qualifying", "cannot be used with --session"},
      {"--trace " + trace + " --results " + std::string(KSIM_RESULTS) + "/hockenheim-race-2023.xml",
       "cannot be used with --results"},
      {"--record-trace " + dir.File("r.kvt") + " --timing-noise 0.2", "would record the noisy field"},
      {"--record-trace " + dir.File("nowhere/r.kvt"), "its folder does not exist"},
      {"--timing-points-only", "judges a --trace"},
      {"--trace " + trace, "t.kvt: line 4: car member 'd' wants a number with 2 decimals"},
      {"review --log " + trace + " --trace " + trace, "line 4: car member 'd'"},
  };
  for (const auto& c : cases) {
    std::string output;
    EXPECT_EQ(ksim_test::RunCommand(sim + " " + c.arguments, output), 2) << c.arguments << "\n" << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << c.arguments << "\n" << output;
  }
  EXPECT_FALSE(fs::exists(dir.File("w"))) << "nothing written";
}

}  // namespace
