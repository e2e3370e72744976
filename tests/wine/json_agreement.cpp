// Compares two kovrel-sim JSON exports.
//   json_agreement events A.json B.json  the same events (what happened, when,
//       to whom, how much it weighs) and the same reference in every session;
//       what the director chose may differ.
//   json_agreement same A.json B.json    the same document apart from the
//       run's times.
//   json_agreement verdicts RUN.json REVIEW.json  a review of a run's own
//       log finds the run's events and gives the run's verdict (live, late,
//       replay, missed) for at least 95% of them, as on Linux.
// Prints the first difference and exits 1; exits 0 when they agree.
#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <string>

using nlohmann::json;

namespace {

json Load(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("cannot read ") + path);
  return json::parse(in);
}

// What the events are, without the verdicts and the shots around them.
json EventsOf(const json& session) {
  json events = json::array();
  for (const json& e : session.at("events")) {
    events.push_back({{"kind", e.at("kind")}, {"time", e.at("time")}, {"moment_start_s", e.at("moment_start_s")},
                      {"moment_end_s", e.at("moment_end_s")}, {"car_ids", e.at("car_ids")},
                      {"place", e.at("place")}, {"strength", e.at("strength")}, {"target", e.at("target")},
                      {"heavy", e.at("heavy")}, {"weight", e.at("weight")}});
  }
  return events;
}

json ReferenceOf(const json& session) {
  const json& c = session.at("coverage");
  return {{"reference", c.at("reference")}, {"reference_bound", c.at("reference_bound")},
          {"total_weight", c.at("total_weight")}, {"hindsight_weight", c.at("hindsight_weight")}};
}

bool Report(const std::string& what, const json& a, const json& b) {
  if (a == b) return true;
  const json patch = json::diff(a, b);
  std::cerr << what << " differ; first difference: " << patch.at(0).dump() << "\n";
  return false;
}

int CompareEvents(const json& a, const json& b) {
  const json& sa = a.at("sessions");
  const json& sb = b.at("sessions");
  if (sa.size() != sb.size() || sa.empty()) {
    std::cerr << "sessions: " << sa.size() << " against " << sb.size() << "\n";
    return 1;
  }
  std::size_t events = 0;
  for (std::size_t i = 0; i < sa.size(); ++i) {
    const std::string name = "session " + std::to_string(i + 1);
    if (!Report(name + " events", EventsOf(sa[i]), EventsOf(sb[i]))) return 1;
    if (!Report(name + " reference", ReferenceOf(sa[i]), ReferenceOf(sb[i]))) return 1;
    events += sa[i].at("events").size();
  }
  if (events == 0) {
    std::cerr << "no events at all: nothing was compared\n";
    return 1;
  }
  std::cout << events << " events and the reference agree\n";
  return 0;
}

int CompareApartFromTimes(json a, json b) {
  for (json* document : {&a, &b}) {
    json& run = document->at("run");
    for (const char* key : {"wall_s", "scoring_s", "callbacks_s"}) run.erase(key);
  }
  if (!Report("the runs", a, b)) return 1;
  std::cout << "the runs agree apart from their times\n";
  return 0;
}

int CompareVerdicts(const json& run, const json& review) {
  const json& sa = run.at("sessions");
  const json& sb = review.at("sessions");
  std::size_t events = 0, same = 0;
  for (std::size_t i = 0; i < sa.size() && i < sb.size(); ++i) {
    if (!Report("session " + std::to_string(i + 1) + " events", EventsOf(sa[i]), EventsOf(sb[i]))) return 1;
    const json& ea = sa[i].at("events");
    const json& eb = sb[i].at("events");
    for (std::size_t e = 0; e < ea.size(); ++e) same += ea[e].at("verdict") == eb[e].at("verdict") ? 1 : 0;
    events += ea.size();
  }
  std::cout << "the review gave the run's verdict for " << same << " of " << events << " events\n";
  return sa.size() == sb.size() && events > 0 && same >= events * 95 / 100 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: json_agreement events|same|verdicts A.json B.json\n";
    return 2;
  }
  try {
    const std::string mode = argv[1];
    const json a = Load(argv[2]);
    const json b = Load(argv[3]);
    if (mode == "events") return CompareEvents(a, b);
    if (mode == "same") return CompareApartFromTimes(a, b);
    if (mode == "verdicts") return CompareVerdicts(a, b);
    std::cerr << "unknown comparison " << mode << "\n";
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
  }
  return 2;
}
