#include "sessions/results_file.hpp"

#include <filesystem>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>

#include "common/text.hpp"

namespace ksim {

namespace {

struct Position {
  std::size_t line = 1;
  std::size_t column = 1;
};

Position PositionOf(const std::string& bytes, std::ptrdiff_t offset) {
  Position position;
  const std::size_t end = std::min(bytes.size(), static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, offset)));
  for (std::size_t i = 0; i < end; ++i) {
    if (bytes[i] == '\n') {
      ++position.line;
      position.column = 1;
    } else {
      ++position.column;
    }
  }
  return position;
}

class Reader {
 public:
  Reader(std::string path, std::string bytes) : mPath(std::move(path)), mBytes(std::move(bytes)) {}

  [[noreturn]] void Fail(std::ptrdiff_t offset, const std::string& what) const {
    const Position at = PositionOf(mBytes, offset);
    throw ResultsFileError(mPath + ": line " + std::to_string(at.line) + ", column " +
                           std::to_string(at.column) + ": " + what);
  }
  [[noreturn]] void Fail(const pugi::xml_node& node, const std::string& what) const {
    Fail(node.offset_debug(), what);
  }
  const std::string& Bytes() const { return mBytes; }
  const std::string& Path() const { return mPath; }

 private:
  std::string mPath;
  std::string mBytes;
};

// A number written in the file; `fallback` for "--.----", an empty text or none.
double Number(const char* text, double fallback) {
  if (text == nullptr) return fallback;
  const char* start = text;
  while (std::isspace(static_cast<unsigned char>(*start))) ++start;
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  if (end == start) return fallback;
  return value;
}

double ChildNumber(const pugi::xml_node& node, const char* name, double fallback) {
  const pugi::xml_node child = node.child(name);
  return child ? Number(child.child_value(), fallback) : fallback;
}

RecordedDriver ReadDriver(const Reader& reader, const pugi::xml_node& node) {
  RecordedDriver driver;
  const pugi::xml_node name = node.child("Name");
  if (!name) reader.Fail(node, "<Driver> without <Name>");
  driver.name = name.child_value();
  driver.vehicle = node.child("VehName").child_value();
  driver.vehicleClass = node.child("CarClass").child_value();
  driver.gridPlace = static_cast<int>(ChildNumber(node, "GridPos", 0));
  driver.place = static_cast<int>(ChildNumber(node, "Position", 0));
  driver.laps = static_cast<int>(ChildNumber(node, "Laps", 0));
  driver.pitStops = static_cast<int>(ChildNumber(node, "Pitstops", 0));
  driver.finishTime = ChildNumber(node, "FinishTime", -1.0);
  driver.finishStatus = Trim(node.child("FinishStatus").child_value());
  for (const pugi::xml_node lap : node.children("Lap")) {
    RecordedLap recorded;
    const pugi::xml_attribute number = lap.attribute("num");
    if (!number) reader.Fail(lap, "<Lap> without its num attribute");
    recorded.number = static_cast<int>(Number(number.value(), 0));
    if (recorded.number < 1) reader.Fail(lap, "<Lap> with a lap number below 1");
    recorded.start = Number(lap.attribute("et").value(), -1.0);
    recorded.s1 = Number(lap.attribute("s1").value(), -1.0);
    recorded.s2 = Number(lap.attribute("s2").value(), -1.0);
    recorded.s3 = Number(lap.attribute("s3").value(), -1.0);
    recorded.place = static_cast<int>(Number(lap.attribute("p").value(), 0));
    recorded.pit = Number(lap.attribute("pit").value(), 0) != 0.0;
    recorded.time = Number(lap.child_value(), -1.0);
    driver.lapList.push_back(recorded);
  }
  std::stable_sort(driver.lapList.begin(), driver.lapList.end(),
                   [](const RecordedLap& a, const RecordedLap& b) { return a.number < b.number; });
  return driver;
}

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool Mentions(const std::string& text, const std::string& word) {
  return Lowered(text).find(Lowered(word)) != std::string::npos;
}

// Both simulators write the same format; the track's installed path names the
// simulator's folder, and only rFactor 2 names the mod a session ran.
std::string GameOf(const pugi::xml_node& results) {
  const std::string track = results.child("TrackData").child_value();
  if (Mentions(track, "Le Mans Ultimate")) return "Le Mans Ultimate";
  if (Mentions(track, "rFactor 2") || Mentions(track, "rFactor2") || results.child("Mod")) return "rFactor 2";
  return "";
}

}  // namespace

int SessionNumberOfElement(const std::string& element) {
  const auto numbered = [&](const std::string& prefix, int first, int count) {
    if (element.compare(0, prefix.size(), prefix) != 0) return -1;
    const std::string rest = element.substr(prefix.size());
    if (rest.empty()) return first;
    if (rest.size() != 1 || !std::isdigit(static_cast<unsigned char>(rest[0]))) return -1;
    const int n = rest[0] - '0';
    return n >= 1 && n <= count ? first + n - 1 : -1;
  };
  if (element == "TestDay") return 0;
  if (element == "Warmup") return 9;
  int number = numbered("Practice", 1, 4);
  if (number >= 0) return number;
  number = numbered("Qualify", 5, 4);
  if (number >= 0) return number;
  return numbered("Race", 10, 4);
}

RecordedSession ReadResultsFile(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in) throw ResultsFileError(path + ": cannot be opened");
  const Reader reader(path, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));

  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(reader.Bytes().data(), reader.Bytes().size(), pugi::parse_default, pugi::encoding_auto);
  if (!parsed) reader.Fail(parsed.offset, std::string("not well-formed XML: ") + parsed.description());

  const pugi::xml_node results = document.child("rFactorXML").child("RaceResults");
  if (!results) reader.Fail(document.first_child() ? document.first_child().offset_debug() : 0,
                            "no <rFactorXML><RaceResults> element: not a results file of the simulator");

  RecordedSession session;
  session.path = path;
  pugi::xml_node element;
  for (const pugi::xml_node child : results.children()) {
    const int number = SessionNumberOfElement(child.name());
    if (number >= 0 && (child.child("Driver") || child.child("Stream"))) {
      element = child;
      session.sessionNumber = number;
      break;
    }
  }
  if (!element) reader.Fail(results, "no session (<Practice1>, <Qualify>, <Warmup>, <Race> ...) with drivers");
  session.element = element.name();
  session.kind = KindOfSessionNumber(session.sessionNumber);
  session.track = results.child("TrackCourse").child_value();
  if (session.track.empty()) session.track = results.child("TrackVenue").child_value();
  session.gameVersion = Trim(results.child("GameVersion").child_value());
  session.game = GameOf(results);
  session.trackLength = ChildNumber(results, "TrackLength", 0.0);
  if (session.trackLength <= 0.0) reader.Fail(results, "no usable <TrackLength>");
  const double laps = ChildNumber(element, "Laps", 2147483647.0);
  session.maxLaps = laps >= 1.0 && laps < 2147483647.0 ? static_cast<int>(laps) : 2147483647;
  session.minutes = ChildNumber(element, "Minutes", 0.0);
  session.formationAndStart = ChildNumber(element, "FormationAndStart", 0.0) != 0.0;

  for (const pugi::xml_node driver : element.children("Driver")) {
    session.drivers.push_back(ReadDriver(reader, driver));
  }
  if (session.drivers.empty()) reader.Fail(element, "<" + session.element + "> lists no <Driver>");
  if (session.drivers.size() > 100) reader.Fail(element, "more than 100 drivers");

  for (const pugi::xml_node line : element.child("Stream").children()) {
    if (line.type() != pugi::node_element) continue;
    const pugi::xml_attribute et = line.attribute("et");
    if (!et) continue;
    RecordedLine recorded;
    recorded.et = Number(et.value(), 0.0);
    recorded.tag = line.name();
    recorded.text = line.child_value();
    recorded.line = std::string("<") + line.name() + " et=\"" + et.value() + "\">" +
                    EscapeMarkup(line.child_value(), false) + "</" + line.name() + ">\n";
    session.stream.push_back(std::move(recorded));
  }
  std::stable_sort(session.stream.begin(), session.stream.end(),
                   [](const RecordedLine& a, const RecordedLine& b) { return a.et < b.et; });
  return session;
}

}  // namespace ksim
