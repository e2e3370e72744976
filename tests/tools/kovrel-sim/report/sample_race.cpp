#include "sample_race.hpp"

namespace ksim_test {

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
  replay.shownFrom = 585.0;
  replay.shownTo = 592.5;
  replay.slowShownFrom = 589.0;
  replay.slowShownTo = 591.25;
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

namespace {

ksim::Event AnEvent(ksim::EventKind kind, double time, std::vector<int> cars, double weight, ksim::Verdict shown) {
  ksim::Event e;
  e.kind = kind;
  e.time = time;
  e.momentStart = time - 2.0;
  e.momentEnd = time + 1.0;
  e.windowStart = e.momentEnd;
  e.windowEnd = e.momentEnd + ksim::kLateReach;
  e.cars = std::move(cars);
  e.weight = weight;
  e.verdict = shown;
  return e;
}

ksim::OnAir Showing(int car, ksim::Reason reason) {
  ksim::OnAir air;
  air.car = car;
  air.reason = reason;
  return air;
}

}  // namespace

ksim::Coverage ItsCoverage() {
  using ksim::EventKind;
  using ksim::Verdict;
  ksim::Coverage c;
  ksim::Event lead = AnEvent(EventKind::LeadChange, 450.0, {1, 0}, 3.0, Verdict::Live);
  lead.place = 1;
  lead.liveShare = 1.0;
  lead.credit = 1.0;
  ksim::Event heavy = AnEvent(EventKind::Contact, 590.0, {2, 3}, 3.0, Verdict::Replay);
  heavy.strength = 0.92;
  heavy.target = "another vehicle";
  heavy.heavy = true;
  heavy.heavyReason = "lost 2 places";
  heavy.instead = Showing(1, ksim::Reason::SideBySide);
  heavy.credit = ksim::kReplayCredit;
  ksim::Event pass = AnEvent(EventKind::Overtake, 650.0, {3, 2}, 1.0, Verdict::Missed);
  pass.place = 3;
  pass.instead = Showing(2, ksim::Reason::AfterReplay);
  ksim::Event light = AnEvent(EventKind::Contact, 700.0, {1}, 0.25, Verdict::Missed);
  light.strength = 0.1;
  light.target = "Immovable";
  light.instead = Showing(2, ksim::Reason::AfterReplay);
  ksim::Event win = AnEvent(EventKind::Finish, 1050.0, {0}, 2.0, Verdict::Missed);
  win.place = 1;
  win.instead.car = 3;
  win.instead.autoOff = true;
  c.events = {lead, heavy, pass, light, win};
  const auto kind = [&](EventKind k) -> ksim::KindCoverage& { return c.kinds[static_cast<std::size_t>(k)]; };
  // count, live, late, replay, missed, hindsight, heavy
  kind(EventKind::LeadChange) = {1, 1, 0, 0, 0, 1, 0};
  kind(EventKind::Contact) = {2, 0, 0, 1, 1, 2, 1};
  kind(EventKind::Overtake) = {1, 0, 0, 0, 1, 1, 0};
  kind(EventKind::Finish) = {1, 0, 0, 0, 1, 1, 0};
  c.totalWeight = 9.25;
  c.shownWeight = 3.0 + 3.0 * ksim::kReplayCredit;
  c.boundWeight = 9.25;
  c.hindsightWeight = 9.25;
  c.penalties.liveShots = 4;
  c.penalties.shortShots = 1;
  c.penalties.shortShotsPenalty = 0.075;
  c.penalties.replays = 1;
  c.penalties.hours = 1200.0 / 3600.0;
  c.score = 0.49;
  c.reference = 0.97;
  c.referenceBound = 1.0;
  return c;
}

}  // namespace ksim_test
