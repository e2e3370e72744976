// Writes the seed corpora of the fuzz targets into a folder given on the
// command line: the cases of the unit tests, and slices of the results
// streams of real sessions read from the shared results folder when it is
// there (nothing of those files is kept in the project).
//
//   kovrel_fuzz_seeds <output folder> [<results folder>]
//
// gives <output folder>/stream, /ini and /snapshot.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/fuzz/byte_reader.hpp"
#include "bench/fuzz/fuzz_formats.hpp"
#include "support/results_stream.hpp"

namespace fs = std::filesystem;

namespace {

class SeedFolder {
 public:
  SeedFolder(const fs::path& root, const char* name) : mPath(root / name) {
    fs::create_directories(mPath);
  }
  void Add(const std::string& bytes) {
    std::ofstream out(mPath / ("seed-" + std::to_string(mCount++)), std::ios::binary);
    out << bytes;
  }
  int Count() const { return mCount; }

 private:
  fs::path mPath;
  int mCount = 0;
};

// --- the results stream ---

std::string StreamSeed(std::uint8_t seed, int session, std::uint8_t flags, const std::string& text) {
  ByteWriter out;
  out.U8(seed).Integer(session).U8(flags).Text(text);
  return out.Bytes();
}

void StreamSeeds(SeedFolder& seeds, const fs::path& results) {
  const std::vector<std::string> lines = {
      "Incident Driver A(3) contact (0.52) with vehicle Driver B(7)\n",
      "Incident Driver B(12) contact (1.25) with Immovable\n",
      "Incident Driver A(3) contact (0.35) with vehicle Driver B(7)\n",
      "Driver A(3) contact (0.90) with vehicle\n",
      "Incident Driver A(0x1f) contact (12345678901.5) with vehicle Driver B(7)\n",
      "Incident (3 contact (0.9 with Immovable\n",
      "<Incident et=\"483.0\">Heigo Poom(38) reported contact (0.06) with another vehicle Tom "
      "Parker(24)</Incident>\n",
  };
  for (int session : {1, 5, 10}) {
    for (std::uint8_t flags : {0, 1, 2, 3, 8, 11}) {
      std::string text;
      for (const std::string& line : lines) text += line + "\x03";
      seeds.Add(StreamSeed(7, session, flags, text));
    }
  }
  seeds.Add(StreamSeed(1, 10, 2, "first\nIncident A(3) contact (1.0) with vehicle\n\x01" + lines[1] +
                                     "\x02" + lines[0] + "\x03\x03\x03"));
  seeds.Add(StreamSeed(1, 10, 2, lines[0] + lines[1] + lines[2]));

  // Slices of real streams around their incident lines, a replay pass after each.
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(results, error)) {
    if (entry.path().extension() != ".xml") continue;
    const std::vector<StreamLine> stream = ReadStreamLines(entry.path().string());
    const std::string name = entry.path().filename().string();
    const bool newScale = name.find("2023") != std::string::npos;
    const int session = name.find("qualifying") != std::string::npos ? 5 : 10;
    std::vector<std::size_t> incidents;
    for (std::size_t i = 0; i < stream.size(); ++i) {
      if (stream[i].text.find("<Incident") != std::string::npos) incidents.push_back(i);
    }
    const std::size_t slices = incidents.size() < 6 ? incidents.size() : 6;
    for (std::size_t k = 0; k < slices; ++k) {
      const std::size_t middle = incidents[k * incidents.size() / slices];
      const std::size_t from = middle > 12 ? middle - 12 : 0;
      std::string text;
      for (std::size_t i = from; i < stream.size() && i < middle + 12; ++i) {
        text += stream[i].text;
        if (i == middle) text += "\x03\x03";
      }
      // Odd slices with the debug log, every third from a whole-stream host.
      const std::uint8_t flags =
          static_cast<std::uint8_t>(2 | (newScale ? 4 : 0) | (k % 2) | (k % 3 == 0 ? 8 : 0));
      seeds.Add(StreamSeed(static_cast<std::uint8_t>(k), session, flags, text));
    }
  }
}

// --- the INI file ---

std::string IniSeed(std::uint8_t mode, std::uint8_t key, std::uint8_t value, std::uint8_t section,
                    const std::string& file) {
  ByteWriter out;
  out.U8(mode).U8(key).U8(value).U8(section).Text(file);
  return out.Bytes();
}

void IniSeeds(SeedFolder& seeds) {
  const std::vector<std::string> files = {
      "",
      "[KOVREL]\r\nauto=1\r\nautokey=0x41\r\nwaitsec=15\r\ninterest=12\r\ninterestdiff=3\r\n"
      "onboarddiff=0.4\r\nonboardcam=0\r\nrearview=0\r\nrearviewcam=6\r\ncamtest=no\r\n"
      "walkthrough=1\r\nshowinpit=interestdiff\r\nlowinc=0.4\r\nhighinc=0.8\r\nmsessioninc=10\r\n"
      "debug=0\r\nsbsdist=1.5\r\nsbscount=2\r\nreplayduration=20\r\nreplayoffset=5.0\r\n",
      "[KOVREL]\r\nwaitsec=20s\r\nautokey=066\r\nmsessioninc=2.9\r\ncamtest=\r\nshowinpit=2\r\n",
      "[KOVREL]\r\nwaitsec=abc\r\nautokey=0x42\r\nmsessioninc=abc\r\ncamtest=0\r\nshowinpit=0\r\n",
      "; comment\r\n[Other]\r\nwaitsec=30\r\n\r\n[kovrel]\r\n  waitsec = 25 \r\ndebug\r\n\r\n[Last]\r\nx=1",
      "\xEF\xBB\xBF[KOVREL]\nwaitsec=\"12\"\nlowinc='0.5'\n",
      "[KOVREL]\rwaitsec=7\rinterest=5",
      "stray=1\r\n[KOVREL\r\n[KOVREL]]\r\n[ KOVREL ]\r\nwaitsec=1e3\r\nonboarddiff=nan\r\nsbsdist=inf\r\n",
      "[KOVREL]\r\nwaitsec=99999999999999999999\r\ninterest=-0x7fffffff\r\nreplayoffset=-1e400\r\n",
      "[KOVREL]\r\nwaitsec=" + std::string(300, '9') + "\r\ncamtest=" + std::string(300, 'x') + "\r\n",
      "[KOVREL]\r\n[KOVREL]\r\nwaitsec=3\r\n\x1a\r\n",
  };
  std::uint8_t n = 0;
  for (const std::string& file : files) {
    seeds.Add(IniSeed(0, 0, 0, 0, file));
    seeds.Add(IniSeed(1, n, static_cast<std::uint8_t>(n * 7), n, file));
    seeds.Add(IniSeed(3, static_cast<std::uint8_t>(n + 9), 0, static_cast<std::uint8_t>(n + 2), file));
    ++n;
  }
}

// --- snapshots and host calls ---

struct Car {
  std::int32_t id;
  std::uint8_t place;
  std::string name;
  std::uint8_t finish = 0;
  std::uint8_t pit = 0;
  std::uint8_t flags = 0;
  std::int32_t laps = 5;
  std::uint8_t sector = 1;
  double lapDist = 0.0;
  double behind = 0.0;
  double best = 0.0, best1 = 0.0, best2 = 0.0, cur1 = 0.0, cur2 = 0.0;
  double lapStart = 0.0;
};

void WriteSnapshot(ByteWriter& out, int session, std::uint8_t phase, double time, double end,
                   int laps, std::uint8_t streamCode, const std::string& stream,
                   const std::vector<Car>& cars, std::uint8_t countCode) {
  out.Integer(session).U8(phase).Real(time).Real(end).Integer(laps).U8(streamCode);
  if (streamCode == 1 || streamCode == 2) out.ShortText(stream);
  if (streamCode == 3) out.U8(static_cast<std::uint8_t>(stream.size()));
  out.U8(countCode);
  if (countCode >= 200) return;
  for (const Car& c : cars) {
    out.Integer(c.id).U8(c.place);
    if (c.name.size() < 32) {
      out.U8(static_cast<std::uint8_t>(c.name.size())).Text(c.name);
    } else {
      out.U8(33).Text(c.name.substr(0, 32));  // the whole field, no NUL
    }
    out.U8(c.finish).U8(c.pit).U8(c.flags).Integer(c.laps).U8(c.sector);
    out.Real(c.lapDist).Real(c.behind).Real(c.best).Real(c.best1).Real(c.best2);
    out.Real(c.cur1).Real(c.cur2).Real(c.lapStart);
  }
}

std::vector<Car> Field(int count, double time) {
  std::vector<Car> cars;
  for (int i = 0; i < count; ++i) {
    Car c;
    c.id = 10 + i;
    c.place = static_cast<std::uint8_t>(i + 1);
    c.name = "Driver " + std::to_string(i + 1);
    c.lapDist = 3000.0 - i * 25.0;
    c.behind = i == 0 ? 0.0 : 0.25 * (i % 4 + 1);
    c.best = 95.0 + i * 0.25;
    c.best1 = 30.0;
    c.best2 = 62.0;
    c.lapStart = time - 40.0;
    cars.push_back(c);
  }
  return cars;
}

// Scoring with camera, control and message calls between snapshots.
std::string Session(int session, std::uint8_t phase, int cars, int snapshots,
                    void (*adjust)(std::vector<Car>&, int)) {
  ByteWriter out;
  out.U8(3);  // random seed
  out.U8(0);  // no settings changed
  std::string stream;
  for (int s = 0; s < snapshots; ++s) {
    const double time = 100.0 + s * 5.0;
    std::vector<Car> field = Field(cars, time);
    if (adjust != nullptr) adjust(field, s);
    const std::string line = s % 3 == 2 ? "Incident D(11) contact (0.9) with vehicle E(12)\n" : "x\n";
    out.U8(0);
    WriteSnapshot(out, session, phase, time, 1800.0, 10, 1, line, field,
                  static_cast<std::uint8_t>(field.size()));
    out.U8(2).U8(0);                          // camera
    out.U8(3).U8(1).Real(0.0);                // InstantReplay
    out.U8(4);                                // message
  }
  return out.Bytes();
}

void SnapshotSeeds(SeedFolder& seeds) {
  seeds.Add(Session(10, 5, 3, 12, nullptr));
  seeds.Add(Session(10, 5, 20, 6, [](std::vector<Car>& f, int) {
    f[5].lapDist = f[4].lapDist + 0.5;  // side by side
    f[7].pit = 2;
  }));
  seeds.Add(Session(10, 3, 6, 8, nullptr));                    // formation lap
  seeds.Add(Session(10, 5, 4, 8, [](std::vector<Car>& f, int s) {  // the flag falls
    for (Car& c : f) c.finish = s > 4 ? 1 : 0;
    f[1].laps = 9;
    f[1].sector = 0;
  }));
  seeds.Add(Session(1, 5, 5, 10, nullptr));                    // practice rotation
  seeds.Add(Session(6, 5, 5, 10, [](std::vector<Car>& f, int s) {  // qualifying splits
    f[2].cur1 = 29.0;
    f[3].cur2 = 60.0;
    if (s > 5) std::swap(f[0].place, f[1].place);  // a new leader
  }));
  seeds.Add(Session(10, 6, 3, 4, nullptr));                    // yellow
  seeds.Add(Session(10, 5, 3, 4, [](std::vector<Car>& f, int) {  // player driving
    f[0].flags = 1;
  }));

  // Hostile shapes: negative and null-array counts, places 0 and 255, names
  // without NUL, NaN and huge times, a null stream, the shortcut held; the
  // standings document written from every one of them.
  ByteWriter out;
  out.U8(9).U8(4).U8(static_cast<std::uint8_t>(Setting::kWaitsec)).Integer(2147483647);
  out.U8(static_cast<std::uint8_t>(Setting::kStandings)).Integer(1);
  out.U8(static_cast<std::uint8_t>(Setting::kOnboarddiff)).U8(2);
  out.U8(static_cast<std::uint8_t>(Setting::kSbscount)).Integer(-1);
  std::vector<Car> odd = Field(3, 0.0);
  odd[0].place = 0;
  odd[1].place = 255;
  odd[2].name = std::string(40, 'Z');
  out.U8(0);
  WriteSnapshot(out, 10, 5, 1e300, -1.0, -2147483647 - 1, 0, "", odd, 3);
  out.U8(0);
  WriteSnapshot(out, 10, 5, 50.0, 0.0, 0, 2, "Incident", {}, 252);  // -3 vehicles
  out.U8(0);
  WriteSnapshot(out, 10, 5, 60.0, 0.0, 0, 1, "(", {}, 203);  // 4 vehicles, no array
  out.U8(5).U8(0).U8(1).U8(5).U8(1).U8(1);  // Ctrl and autokey down
  out.U8(7).Real(0.25).U8(7).U8(2);
  out.U8(3).U8(0).Real(0.0).U8(3).U8(4).ShortText("instantREPLAY").U8(2);
  out.U8(6).U8(0).U8(6).U8(2).U8(3).U8(1).U8(2);
  seeds.Add(out.Bytes());
}

// --- the snapshot trace ---

// Traces as the plug-in writes them: a small field over a few snapshots with
// changes, a stream addition of odd bytes, a car that leaves, and cut copies.
void TraceSeeds(SeedFolder& seeds) {
  std::vector<VehicleScoringInfoV01> cars(3);
  ScoringInfoV01 info{};
  std::strcpy(info.mTrackName, "Seed Ring");
  info.mSession = 10;
  info.mLapDist = 4321.5;
  info.mGamePhase = 5;
  for (std::size_t i = 0; i < cars.size(); ++i) {
    cars[i].mID = static_cast<std::int32_t>(i * 7);
    std::snprintf(cars[i].mDriverName, sizeof cars[i].mDriverName, "Driver %% %zu", i);
    cars[i].mPlace = static_cast<unsigned char>(i + 1);
    cars[i].mLapDist = 100.0 * static_cast<double>(i);
  }
  info.mVehicle = cars.data();
  info.mNumVehicles = 3;
  std::string stream = "<Incident et=\"1.0\">A(0) reported contact (0.5) with another vehicle B(7)</Incident>\n\x01\xff";
  TraceWriter writer;
  std::string trace = kTraceHeader;
  for (int k = 0; k < 6; ++k) {
    info.mCurrentET = 0.2 * k;
    info.mResultsStream = k == 2 ? stream.data() : nullptr;
    info.mNumVehicles = k == 4 ? 2 : 3;
    cars[static_cast<std::size_t>(k % 3)].mLapDist += 10.5;
    writer.Append(info, trace);
  }
  seeds.Add(trace);
  seeds.Add(trace.substr(0, trace.size() / 2));
  seeds.Add(trace.substr(0, trace.size() - 1));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output folder> [<results folder>]\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  const fs::path results = argc > 2 ? fs::path(argv[2]) : fs::path();
  SeedFolder stream(root, "stream");
  SeedFolder ini(root, "ini");
  SeedFolder snapshot(root, "snapshot");
  StreamSeeds(stream, results);
  IniSeeds(ini);
  SnapshotSeeds(snapshot);
  SeedFolder trace(root, "trace");
  TraceSeeds(trace);
  std::printf("seeds: %d stream, %d ini, %d snapshot, %d trace\n", stream.Count(), ini.Count(),
              snapshot.Count(), trace.Count());
  return 0;
}
