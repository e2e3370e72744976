#include "sessions/generator.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>
#include <utility>

#include "sessions/stream_lines.hpp"
#include "sessions/trace.hpp"

namespace ksim {

namespace {

// xoshiro256**: the generator's own random numbers. The plug-in draws from the
// C library's rand in the same process, so the host must not touch that one.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) {
    std::uint64_t x = seed;
    for (auto& word : mState) word = SplitMix(x);
  }
  std::uint64_t Next() {
    const std::uint64_t result = Rotl(mState[1] * 5, 7) * 9;
    const std::uint64_t t = mState[1] << 17;
    mState[2] ^= mState[0];
    mState[3] ^= mState[1];
    mState[1] ^= mState[2];
    mState[0] ^= mState[3];
    mState[2] ^= t;
    mState[3] = Rotl(mState[3], 45);
    return result;
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Uniform(double low, double high) { return low + (high - low) * Uniform(); }
  int Below(int n) { return std::min(n - 1, static_cast<int>(Uniform() * n)); }
  bool Chance(double p) { return Uniform() < p; }
  double Normal() {
    const double u1 = std::max(Uniform(), 1e-12);
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * Uniform());
  }

 private:
  static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  static std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint64_t mState[4];
};

constexpr double kStep = 0.1;           // physics step, s
constexpr double kPitSpeed = 22.0;      // pit-lane limiter, m/s
constexpr double kPitEntry = 0.965;     // pit-lane entry, fraction of the lap
constexpr double kParcFerme = 0.985;    // where finished cars stop, before the line
constexpr double kAccel = 9.0;          // m/s^2
constexpr double kBrake = 22.0;         // m/s^2
constexpr double kNever = std::numeric_limits<double>::infinity();
constexpr int kSpeedTableSize = 2000;

const char* const kFirstNames[] = {
    "Heigo", "Tom", "Lena", "Marco", "Aiko", "Pieter", "Sofia", "Jonas", "Mateus", "Elif",
    "Kalle", "Nadia", "Ruben", "Chloe", "Dmitri", "Ines", "Oskar", "Priya", "Liam", "Yara",
    "Tomasz", "Greta", "Hugo", "Mei", "Anders", "Lucia", "Samir", "Freya", "Diego", "Hana",
    "Viktor", "Noor", "Emil", "Carla", "Kenji", "Maja", "Arturo", "Sanna", "Felix", "Zofia"};
const char* const kLastNames[] = {
    "Poom", "Parker", "Vogel", "Rinaldi", "Tanaka", "de Wit", "Moreau", "Lind", "Costa", "Kaya",
    "Virtanen", "Haddad", "Janssen", "Fontaine", "Orlov", "Ferreira", "Berg", "Raman", "Walsh",
    "Nasser", "Nowak", "Hofer", "Lambert", "Chen", "Holm", "Romero", "Aziz", "Olsen", "Navarro",
    "Sato", "Kral", "Jansen", "Fischer", "Ortega", "Mori", "Novak", "Silva", "Laine", "Brandt",
    "Kowalska"};
const char* const kTeams[] = {"Kovrel Racing", "Nordbahn", "Scuderia Aria", "Team Falke",
                              "Blue Meridian", "Orbit Motorsport", "Redline Works", "Sable GT"};

enum class Mode { Grid, Formation, Racing, Spun, Stopping, Retired, PitLane, CoolDown, Parked };
enum class PitStep { Entering, Stopped, Exiting };
enum class RunStage { OutLap, Flying, InLap };

struct Car {
  CarEntry entry;
  CarState s;
  Trace trace;
  Mode mode = Mode::Grid;
  // The driver.
  double pace = 1.0;         // lap-time multiplier
  double consistency = 0.003;
  double aggression = 0.6;
  double followGap = 0.4;    // preferred time gap behind a car it cannot pass, s
  double launch = 1.0;
  double reliability = 0.0;  // mechanical failures per second
  // This lap.
  double lapMul = 1.0;
  double tyreLaps = 0.0;
  double slowUntil = -1.0;
  double spinUntil = -1.0;
  double launchAt = 0.0;
  int laps = 0;
  double lapStart = 0.0;
  bool lapValid = true;
  bool splitValid = true;
  // Grid and pits.
  double gridOffset = 0.0;  // laps behind the line on the grid
  double box = 0.0;         // fraction of the lap where its pit box stands
  int pitAtLap = -1;        // enters the pit lane towards the end of this lap
  PitStep pitStep = PitStep::Entering;
  double boxProgress = 0.0;
  double stopUntil = 0.0;
  bool repair = false;
  // Practice and qualifying runs.
  RunStage stage = RunStage::OutLap;
  int runLaps = 0;
  bool inGarage = false;
  // An overtaking move on the car `passTarget`: the offset to it in metres
  // goes from passFrom to passTo (and back, for a move that fails).
  int passTarget = -1;
  double passStart = 0.0, passDuration = 1.0, passFrom = 0.0, passTo = 0.0;
  bool passFails = false, passContactDone = false;
  // Worked out on every step.
  double freeSpeed = 0.0, target = 0.0;
  int ahead = -1;
  double aheadDistance = 0.0;
};

class Generator final : public SessionSource {
 public:
  explicit Generator(const GeneratorOptions& options);

  const SessionPlan& Plan() const override { return mPlan; }
  void AdvanceTo(double t, std::string& stream, std::vector<Crossing>& crossings) override;
  const CarState& Car(int index) const override { return mCars[static_cast<std::size_t>(index)].s; }
  double TimeAtProgress(int index, double progress) const override {
    return mCars[static_cast<std::size_t>(index)].trace.TimeAt(progress);
  }
  int Phase() const override { return mPhase; }
  int StartLights() const override;
  bool Over() const override { return mNow >= mOverAt; }

 private:
  bool IsRace() const { return mPlan.kind == SessionKind::Race; }
  bool OnTrack(const struct Car& car) const;
  double Fraction(double progress) const { return progress - std::floor(progress); }
  double TrackFactor(double fraction) const;
  double FreeSpeed(const struct Car& car) const;
  void Emit(double time, std::string line) { mPending.emplace_back(time, std::move(line)); }

  void MakeField();
  // The class of the field's car i (the classes in the order given).
  FieldClass ClassOf(int car) const;
  void PlanRace();
  void Step();
  void UpdatePhase(double t);
  void ComputeTargets(double t);
  void ResolveTraffic(double t);
  void MaybeStartPass(int i, double t);
  void Integrate(double t0, double t1);
  void Crossings(int i, double p0, double p1, double t0, double t1);
  void CompleteLap(int i, double time);
  void PitLaneEvents(int i, double p0, double p1, double t1);
  void RandomEvents(double t);
  void InjectContacts(double t);
  void Contact(int reporter, int other, double strength, double t, bool consequences);
  void WallContact(int i, double strength, double t);
  void Spin(int i, double t, double duration);
  void Retire(int i);
  void StartPitVisit(int i);
  double GarageTime();
  double DrawStrength(double heavyShare);
  double OffsetOfPass(const struct Car& car, double t) const;

  GeneratorOptions mOptions;
  SessionPlan mPlan;
  Rng mRng;
  std::vector<struct Car> mCars;
  std::vector<double> mSpeedTable;
  double mReferenceSpeed = 50.0;
  double mNow = 0.0;
  long long mSteps = 0;
  int mPhase = kPhaseGreen;
  double mFormationStart = 0.0, mFormationEnd = 0.0, mGreen = 0.0;
  int mRaceLaps = 0;
  bool mChequered = false;
  double mOverAt = kNever;
  double mSafetyEnd = kNever;
  double mBoxLast = 0.0, mPitExit = 0.0;
  std::size_t mNextInjected = 0;
  std::vector<double> mInjected;
  std::vector<std::pair<double, std::string>> mPending;
  std::vector<Crossing> mCrossings;
  std::vector<int> mOrder;
  std::vector<double> mBefore;
};

Generator::Generator(const GeneratorOptions& options) : mOptions(options), mRng(options.seed) {
  if (!mOptions.classes.empty()) {
    mOptions.cars = 0;
    for (const FieldClass& c : mOptions.classes) mOptions.cars += c.cars;
  }
  mOptions.cars = std::clamp(mOptions.cars, 1, 100);
  mPlan.kind = options.kind;
  mPlan.progressExact = true;
  mPlan.sessionNumber = SessionNumberOf(options.kind);
  mPlan.trackName = "Kovrel Park GP";
  mPlan.trackLength = options.trackLength;
  mPlan.split1 = 0.31;
  mPlan.split2 = 0.67;

  // The circuit: slow corners and fast straights, the same for every car.
  mSpeedTable.resize(kSpeedTableSize);
  double inverseSum = 0.0;
  for (int k = 0; k < kSpeedTableSize; ++k) {
    const double x = static_cast<double>(k) / kSpeedTableSize;
    const double factor = 1.0 + 0.30 * std::sin(2 * M_PI * (3 * x + 0.05)) +
                          0.12 * std::sin(2 * M_PI * (7 * x + 0.4)) +
                          0.05 * std::sin(2 * M_PI * (13 * x + 0.2));
    mSpeedTable[static_cast<std::size_t>(k)] = factor;
    inverseSum += 1.0 / factor;
  }
  mReferenceSpeed = options.trackLength * (inverseSum / kSpeedTableSize) / options.lapTime;

  MakeField();
  mInjected = options.injectedContacts;
  std::sort(mInjected.begin(), mInjected.end());

  const double minutes = options.minutes > 0.0
                             ? options.minutes
                             : (options.kind == SessionKind::Practice ? 20.0 : 15.0);
  if (IsRace()) {
    PlanRace();
  } else {
    mPlan.endTime = minutes * 60.0;
    mPlan.expectedDuration = mPlan.endTime + 2.5 * options.lapTime;
    mSafetyEnd = mPlan.endTime + 6.0 * options.lapTime;
    mPhase = kPhaseGreen;
  }
  for (auto& car : mCars) car.trace.Add(0.0, car.s.progress);
}

FieldClass Generator::ClassOf(int car) const {
  int first = 0;
  for (const FieldClass& c : mOptions.classes) {
    if (car < first + c.cars) return c;
    first += c.cars;
  }
  return FieldClass{"Kovrel Cup", mOptions.cars, 1.0};
}

void Generator::MakeField() {
  const int n = mOptions.cars;
  std::vector<std::int32_t> ids(static_cast<std::size_t>(3 * n));
  std::iota(ids.begin(), ids.end(), 0);
  for (std::size_t i = ids.size() - 1; i > 0; --i) {
    std::swap(ids[i], ids[static_cast<std::size_t>(mRng.Below(static_cast<int>(i + 1)))]);
  }
  std::vector<int> numbers(99);
  std::iota(numbers.begin(), numbers.end(), 1);
  for (std::size_t i = numbers.size() - 1; i > 0; --i) {
    std::swap(numbers[i], numbers[static_cast<std::size_t>(mRng.Below(static_cast<int>(i + 1)))]);
  }
  const int firstCount = static_cast<int>(std::size(kFirstNames));
  const int lastCount = static_cast<int>(std::size(kLastNames));
  std::vector<int> names(static_cast<std::size_t>(firstCount * lastCount));
  std::iota(names.begin(), names.end(), 0);
  mBoxLast = 0.006 + 0.0022 * (n - 1);
  mPitExit = mBoxLast + 0.012;
  for (int i = 0; i < n; ++i) {
    struct Car car;
    const int pick = mRng.Below(static_cast<int>(names.size()) - i) + i;
    std::swap(names[static_cast<std::size_t>(i)], names[static_cast<std::size_t>(pick)]);
    const int name = names[static_cast<std::size_t>(i)];
    car.entry.id = ids[static_cast<std::size_t>(i)];
    car.entry.driver = std::string(kFirstNames[name % firstCount]) + " " + kLastNames[name / firstCount % lastCount];
    const int number = numbers[static_cast<std::size_t>(i % 99)];
    car.entry.vehicle = "#" + std::to_string(number) + " " + kTeams[mRng.Below(static_cast<int>(std::size(kTeams)))];
    car.entry.vehicleClass = ClassOf(i).name;
    car.pace = 1.0 + 0.024 * std::pow(mRng.Uniform(), 1.2);
    car.consistency = 0.0012 + 0.0045 * mRng.Uniform();
    car.aggression = mRng.Uniform(0.3, 1.0);
    car.followGap = mRng.Uniform(0.28, 0.6);
    car.launch = mRng.Uniform(0.85, 1.1);
    car.reliability = mRng.Uniform(0.4, 1.8) * 0.09 / 3600.0;
    car.box = 0.006 + 0.0022 * i;
    mPlan.cars.push_back(car.entry);
    mCars.push_back(std::move(car));
  }
  // The fastest car sets the reference lap time; each class is slower by its factor.
  const double fastest = std::min_element(mCars.begin(), mCars.end(), [](const auto& a, const auto& b) {
                           return a.pace < b.pace;
                         })->pace;
  for (int i = 0; i < n; ++i) {
    double& pace = mCars[static_cast<std::size_t>(i)].pace;
    pace = pace / fastest * ClassOf(i).lapFactor;
  }

  if (IsRace()) return;
  // Practice and qualifying start with every car in its garage.
  const double minutes = mOptions.minutes > 0.0
                             ? mOptions.minutes
                             : (mOptions.kind == SessionKind::Practice ? 20.0 : 15.0);
  for (auto& car : mCars) {
    car.mode = Mode::PitLane;
    car.pitStep = PitStep::Stopped;
    car.inGarage = true;
    car.s.progress = car.box;
    car.boxProgress = car.box;
    car.stopUntil = mRng.Uniform(0.0, mOptions.kind == SessionKind::Practice ? 0.3 : 0.25) * minutes * 60.0;
    car.s.pitState = kPitStopped;
    car.s.inPits = car.s.inGarage = true;
  }
}

void Generator::PlanRace() {
  const int n = static_cast<int>(mCars.size());
  // Grid: roughly by pace, with the usual surprises of a qualifying session.
  std::vector<std::pair<double, int>> grid;
  for (int i = 0; i < n; ++i) grid.emplace_back(mCars[static_cast<std::size_t>(i)].pace + mRng.Normal() * 0.004, i);
  std::sort(grid.begin(), grid.end());
  for (int g = 0; g < n; ++g) {
    auto& car = mCars[static_cast<std::size_t>(grid[static_cast<std::size_t>(g)].second)];
    car.gridOffset = (12.0 + 9.0 * g) / mPlan.trackLength;
    car.entry.gridPlace = g + 1;
    mPlan.cars[static_cast<std::size_t>(grid[static_cast<std::size_t>(g)].second)].gridPlace = g + 1;
    car.s.progress = -1.0 - car.gridOffset;
    car.mode = Mode::Grid;
  }
  mFormationStart = 15.0;
  mFormationEnd = mFormationStart + 1.7 * mOptions.lapTime;
  mGreen = mFormationEnd + 8.0;
  mPlan.startTime = mGreen;
  mPhase = kPhaseGridWalk;
  if (mOptions.laps > 0) {
    mRaceLaps = mOptions.laps;
    mPlan.maxLaps = mOptions.laps;
    mPlan.endTime = mGreen + 2.0 * mOptions.laps * mOptions.lapTime + 600.0;
  } else {
    const double minutes = mOptions.minutes > 0.0 ? mOptions.minutes : 30.0;
    mRaceLaps = static_cast<int>(minutes * 60.0 / (1.01 * mOptions.lapTime)) + 1;
    mPlan.maxLaps = 2147483647;
    mPlan.endTime = mGreen + minutes * 60.0;
  }
  mPlan.expectedDuration = mGreen + mRaceLaps * mOptions.lapTime * 1.03 + 90.0;
  mSafetyEnd = mGreen + mRaceLaps * mOptions.lapTime * 2.5 + 900.0;
  // One stop for most cars in races long enough for tyres to matter.
  if (mRaceLaps >= 12) {
    for (auto& car : mCars) {
      if (mRng.Chance(0.8)) car.pitAtLap = std::max(2, static_cast<int>(std::lround(mRng.Uniform(0.35, 0.65) * mRaceLaps)));
    }
  }
  for (auto& car : mCars) car.lapStart = mGreen;
}

int Generator::StartLights() const {
  if (mPhase != kPhaseCountdown) return 0;
  const double share = (mNow - mFormationEnd) / std::max(1e-6, mGreen - mFormationEnd);
  return std::clamp(1 + static_cast<int>(share * 5.0), 1, 5);
}

bool Generator::OnTrack(const struct Car& car) const {
  return car.mode == Mode::Racing || car.mode == Mode::Spun || car.mode == Mode::Stopping ||
         car.mode == Mode::CoolDown;
}

double Generator::TrackFactor(double fraction) const {
  const double position = fraction * kSpeedTableSize;
  const int k = static_cast<int>(position) % kSpeedTableSize;
  const int next = (k + 1) % kSpeedTableSize;
  const double w = position - std::floor(position);
  return mSpeedTable[static_cast<std::size_t>(k)] * (1.0 - w) + mSpeedTable[static_cast<std::size_t>(next)] * w;
}

double Generator::FreeSpeed(const struct Car& car) const {
  double multiplier = car.pace * car.lapMul * (1.0 + 0.0005 * car.tyreLaps);
  if (!IsRace()) {
    if (car.stage == RunStage::OutLap) multiplier *= 1.12;
    if (car.stage == RunStage::InLap) multiplier *= 1.18;
  }
  double speed = mReferenceSpeed * TrackFactor(Fraction(car.s.progress)) / multiplier;
  if (mNow < car.slowUntil) speed *= 0.65;
  return speed;
}

void Generator::AdvanceTo(double t, std::string& stream, std::vector<Crossing>& crossings) {
  while (static_cast<double>(mSteps + 1) * kStep <= t + 1e-9) Step();
  std::stable_sort(mPending.begin(), mPending.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::size_t released = 0;
  while (released < mPending.size() && mPending[released].first <= t + 1e-9) {
    stream += mPending[released].second;
    ++released;
  }
  mPending.erase(mPending.begin(), mPending.begin() + static_cast<std::ptrdiff_t>(released));
  std::stable_sort(mCrossings.begin(), mCrossings.end(),
                   [](const Crossing& a, const Crossing& b) { return a.time < b.time; });
  crossings.insert(crossings.end(), mCrossings.begin(), mCrossings.end());
  mCrossings.clear();
}

void Generator::Step() {
  // Time counted in whole steps, so that session times stay exact multiples.
  const double t0 = mNow;
  const double t1 = static_cast<double>(++mSteps) * kStep;
  UpdatePhase(t1);
  ComputeTargets(t1);
  ResolveTraffic(t1);
  Integrate(t0, t1);
  if (mPhase == kPhaseGreen) {
    InjectContacts(t1);
    RandomEvents(t1);
  }
  mNow = t1;
  for (auto& car : mCars) car.trace.Add(t1, car.s.progress);
}

void Generator::UpdatePhase(double t) {
  if (IsRace()) {
    if (mPhase == kPhaseGridWalk && t >= mFormationStart) {
      mPhase = kPhaseFormation;
      for (auto& car : mCars) car.mode = Mode::Formation;
    }
    if (mPhase == kPhaseFormation && t >= mFormationEnd) {
      mPhase = kPhaseCountdown;
      for (auto& car : mCars) {
        car.mode = Mode::Grid;
        car.s.progress = -car.gridOffset;
        car.s.speed = 0.0;
      }
    }
    if (mPhase == kPhaseCountdown && t >= mGreen) {
      mPhase = kPhaseGreen;
      for (auto& car : mCars) {
        car.mode = Mode::Racing;
        car.launchAt = mGreen + mRng.Uniform(0.15, 0.6);
        car.lapMul = 1.0 + mRng.Normal() * car.consistency;
      }
    }
    if (mPhase == kPhaseGreen) {
      const bool allDone = std::all_of(mCars.begin(), mCars.end(),
                                       [](const auto& car) { return car.s.finishStatus != kFinishNone; });
      if (allDone || t >= mSafetyEnd) {
        mPhase = kPhaseOver;
        mOverAt = t + 60.0;
      }
    }
    return;
  }
  if (mPhase == kPhaseGreen && t >= mPlan.endTime) {
    const bool settled = std::none_of(mCars.begin(), mCars.end(), [](const auto& car) {
      return car.mode == Mode::Racing || car.mode == Mode::Spun || car.mode == Mode::CoolDown ||
             (car.mode == Mode::PitLane && car.pitStep != PitStep::Stopped);
    });
    if (settled || t >= mSafetyEnd) {
      mPhase = kPhaseOver;
      mOverAt = t + 30.0;
    }
  }
}

void Generator::ComputeTargets(double t) {
  const double length = mPlan.trackLength;
  for (auto& car : mCars) {
    switch (car.mode) {
      case Mode::Grid:
        car.target = 0.0;
        break;
      case Mode::Formation: {
        const double span = mFormationEnd - mFormationStart;
        const double u = std::clamp((t - mFormationStart) / span, 0.0, 1.0);
        const double eased = u - std::sin(2 * M_PI * u) / (2 * M_PI);
        const double progress = -1.0 - car.gridOffset + eased;
        car.s.speed = (progress - car.s.progress) * length / kStep;
        car.s.progress = progress;
        car.target = car.s.speed;
        break;
      }
      case Mode::Racing:
        car.freeSpeed = FreeSpeed(car);
        car.target = t < car.launchAt ? 0.0 : car.freeSpeed;
        break;
      case Mode::Spun:
        car.freeSpeed = car.target = 4.0;
        if (t >= car.spinUntil) car.mode = Mode::Racing;
        break;
      case Mode::Stopping:
        car.freeSpeed = car.target = 0.0;
        break;
      case Mode::CoolDown:
        car.freeSpeed = car.target = Fraction(car.s.progress) >= kPitEntry ? 12.0 : 0.55 * FreeSpeed(car);
        break;
      case Mode::PitLane:
        car.freeSpeed = car.target = car.pitStep == PitStep::Stopped ? 0.0 : kPitSpeed;
        if (car.pitStep == PitStep::Stopped && t >= car.stopUntil && !IsRace() && t >= mPlan.endTime) {
          car.stopUntil = kNever;  // the session is over: the car stays in its garage
        }
        if (car.pitStep == PitStep::Stopped && t >= car.stopUntil) {
          car.pitStep = PitStep::Exiting;
          car.s.pitState = kPitExiting;
          car.inGarage = car.s.inGarage = false;
          if (!IsRace()) {
            car.lapValid = false;  // an out lap from the garage is not timed
            car.stage = RunStage::OutLap;
            car.runLaps = mPlan.kind == SessionKind::Practice ? 4 + mRng.Below(6) : 2 + mRng.Below(2);
          }
        }
        break;
      case Mode::Retired:
      case Mode::Parked:
        car.freeSpeed = car.target = 0.0;
        break;
    }
  }
}

void Generator::ResolveTraffic(double t) {
  const double length = mPlan.trackLength;
  mOrder.clear();
  for (std::size_t i = 0; i < mCars.size(); ++i) {
    mCars[i].ahead = -1;
    if (OnTrack(mCars[i])) mOrder.push_back(static_cast<int>(i));
  }
  std::sort(mOrder.begin(), mOrder.end(), [&](int a, int b) {
    return Fraction(mCars[static_cast<std::size_t>(a)].s.progress) < Fraction(mCars[static_cast<std::size_t>(b)].s.progress);
  });
  if (mOrder.size() < 2) return;
  for (std::size_t k = 0; k < mOrder.size(); ++k) {
    auto& car = mCars[static_cast<std::size_t>(mOrder[k])];
    const int aheadIndex = mOrder[(k + 1) % mOrder.size()];
    const auto& ahead = mCars[static_cast<std::size_t>(aheadIndex)];
    double distance = (Fraction(ahead.s.progress) - Fraction(car.s.progress)) * length;
    if (distance <= 0.0) distance += length;
    car.ahead = aheadIndex;
    car.aheadDistance = distance;
  }
  for (int i : mOrder) {
    auto& car = mCars[static_cast<std::size_t>(i)];
    if (car.passTarget >= 0 || car.ahead < 0) continue;
    const auto& ahead = mCars[static_cast<std::size_t>(car.ahead)];
    const double d = car.aheadDistance;
    if (d > std::max(40.0, 1.3 * car.s.speed)) continue;
    const double desired = std::max(6.0, car.followGap * std::max(ahead.s.speed, 12.0));
    if (car.target > ahead.s.speed || d < desired) {
      car.target = std::min(car.target, std::max(0.0, ahead.s.speed + (d - desired) / 1.2));
    }
    if (car.mode == Mode::Racing && mPhase == kPhaseGreen && car.freeSpeed > ahead.freeSpeed &&
        d < desired + 10.0 && t >= car.launchAt) {
      MaybeStartPass(i, t);
    }
  }
}

void Generator::MaybeStartPass(int i, double t) {
  auto& car = mCars[static_cast<std::size_t>(i)];
  const auto& ahead = mCars[static_cast<std::size_t>(car.ahead)];
  const bool lapping = car.s.progress - ahead.s.progress > 0.5;
  const bool slowCar = ahead.mode != Mode::Racing || ahead.freeSpeed < 0.8 * car.freeSpeed || lapping;
  const bool firstLap = IsRace() && car.laps == 0;
  double rate;
  double failShare;
  if (slowCar) {
    rate = 1.5;
    failShare = 0.05;
  } else {
    const double advantage = car.freeSpeed / std::max(1.0, ahead.freeSpeed) - 1.0;
    rate = (0.02 + advantage * 8.0) * car.aggression * (firstLap ? 2.0 : 1.0);
    failShare = 0.3;
  }
  if (!mRng.Chance(rate * kStep)) return;
  car.passTarget = car.ahead;
  car.passStart = t;
  car.passDuration = slowCar ? mRng.Uniform(1.5, 2.5) : mRng.Uniform(2.5, 4.5);
  car.passFrom = -car.aheadDistance;
  car.passFails = mRng.Chance(failShare);
  car.passTo = car.passFails ? -0.8 : std::max(6.0, 0.25 * ahead.s.speed);
  car.passContactDone = false;
}

double Generator::OffsetOfPass(const struct Car& car, double t) const {
  const double u = std::clamp((t - car.passStart) / car.passDuration, 0.0, 1.0);
  const auto smooth = [](double x) { return x * x * (3.0 - 2.0 * x); };
  if (!car.passFails) return car.passFrom + (car.passTo - car.passFrom) * smooth(u);
  // Alongside for a moment, then back in line.
  if (u < 0.6) return car.passFrom + (car.passTo - car.passFrom) * smooth(u / 0.6);
  return car.passTo + (car.passFrom - car.passTo) * smooth((u - 0.6) / 0.4);
}

void Generator::Integrate(double t0, double t1) {
  const double length = mPlan.trackLength;
  std::vector<double>& before = mBefore;
  before.resize(mCars.size());
  for (std::size_t i = 0; i < mCars.size(); ++i) before[i] = mCars[i].s.progress;

  // Cars driving by themselves first, then the ones alongside another car.
  for (auto& car : mCars) {
    if (car.mode == Mode::Formation || car.passTarget >= 0) continue;
    if (car.mode == Mode::Grid || car.mode == Mode::Retired || car.mode == Mode::Parked) {
      car.s.speed = 0.0;
      continue;
    }
    const double accel = (IsRace() && car.laps == 0) ? kAccel * car.launch : kAccel;
    double& v = car.s.speed;
    v = v < car.target ? std::min(car.target, v + accel * kStep) : std::max(car.target, v - kBrake * kStep);
    double metres = v * kStep;
    if (car.ahead >= 0 && OnTrack(car) && mCars[static_cast<std::size_t>(car.ahead)].passTarget < 0) {
      // Never into the back of the car ahead.
      const auto& ahead = mCars[static_cast<std::size_t>(car.ahead)];
      const double aheadMetres = ahead.s.speed * kStep;
      metres = std::max(0.0, std::min(metres, car.aheadDistance + aheadMetres - 2.0));
      v = metres / kStep;
    }
    car.s.progress += metres / length;
  }
  for (std::size_t i = 0; i < mCars.size(); ++i) {
    auto& car = mCars[i];
    if (car.passTarget < 0) continue;
    const auto& target = mCars[static_cast<std::size_t>(car.passTarget)];
    if (!OnTrack(target) || car.mode != Mode::Racing) {
      car.passTarget = -1;
      car.s.progress += car.s.speed * kStep / length;
      continue;
    }
    const double wanted = Fraction(target.s.progress) * length + OffsetOfPass(car, t1);
    double metres = std::fmod(wanted - Fraction(car.s.progress) * length, length);
    if (metres < -length / 2) metres += length;
    if (metres > length / 2) metres -= length;
    metres = std::max(0.0, metres);
    car.s.speed = metres / kStep;
    car.s.progress += metres / length;
    const double u = (t1 - car.passStart) / car.passDuration;
    if (!car.passContactDone && u >= 0.5) {
      car.passContactDone = true;
      const bool firstLap = IsRace() && car.laps == 0;
      const double chance = (target.mode == Mode::Racing ? 0.05 : 0.01) *
                            (car.aggression + target.aggression) * (firstLap ? 2.5 : 1.0);
      if (mOptions.randomContacts && mRng.Chance(chance)) {
        Contact(static_cast<int>(i), car.passTarget, DrawStrength(0.08), t1, true);
      }
    }
    if (u >= 1.0) car.passTarget = -1;
  }
  for (std::size_t i = 0; i < mCars.size(); ++i) {
    const double p0 = before[i];
    const double p1 = mCars[i].s.progress;
    if (p1 > p0) {
      PitLaneEvents(static_cast<int>(i), p0, p1, t1);
      Crossings(static_cast<int>(i), p0, mCars[i].s.progress, t0, t1);
    }
    if (mCars[i].mode == Mode::Stopping && mCars[i].s.speed <= 0.0) {
      auto& car = mCars[i];
      car.mode = Mode::Retired;
      car.s.finishStatus = kRetired;
      car.s.finishTime = t1;
      car.s.finishLaps = car.laps;
      car.s.pitState = kPitNone;
    }
  }
}

void Generator::PitLaneEvents(int i, double p0, double p1, double t1) {
  auto& car = mCars[static_cast<std::size_t>(i)];
  const double f1 = Fraction(p1);
  if (car.mode == Mode::Racing && car.pitAtLap == car.laps + 1) {
    if (f1 >= mPlan.split1 && car.s.pitState == kPitNone) car.s.pitState = kPitRequest;
    if (std::floor(p0) == std::floor(p1) && Fraction(p0) < kPitEntry && f1 >= kPitEntry) StartPitVisit(i);
    return;
  }
  if (car.mode == Mode::CoolDown && f1 >= kParcFerme && Fraction(p0) < kParcFerme) {
    car.mode = Mode::Parked;
    car.s.speed = 0.0;
    car.s.inPits = true;
    car.s.pitState = kPitStopped;
    return;
  }
  if (car.mode == Mode::CoolDown && f1 >= kPitEntry) {
    car.s.inPits = true;
    return;
  }
  if (car.mode != Mode::PitLane) return;
  if (car.pitStep == PitStep::Entering && p1 >= car.boxProgress) {
    car.s.progress = car.boxProgress;
    car.s.speed = 0.0;
    car.pitStep = PitStep::Stopped;
    car.s.pitState = kPitStopped;
    if (IsRace()) {
      ++car.s.pitStops;
      car.tyreLaps = 0.0;
      car.stopUntil = t1 + mRng.Uniform(19.0, 25.0) + (car.repair ? mRng.Uniform(10.0, 25.0) : 0.0) +
                      (mRng.Chance(0.07) ? mRng.Uniform(4.0, 10.0) : 0.0);
      car.repair = false;
    } else {
      car.inGarage = car.s.inGarage = true;
      car.stopUntil = GarageTime();
    }
    car.pitAtLap = -1;
    return;
  }
  if (car.pitStep == PitStep::Exiting && Fraction(car.s.progress) >= mPitExit &&
      Fraction(car.s.progress) < 0.5) {
    car.mode = Mode::Racing;
    car.s.pitState = kPitNone;
    car.s.inPits = false;
  }
}

double Generator::GarageTime() {
  const double lap = mOptions.lapTime;
  const bool practice = mPlan.kind == SessionKind::Practice;
  double exitAt = mNow + (practice ? mRng.Uniform(60.0, 240.0) : mRng.Uniform(120.0, 360.0));
  const double runLength = (practice ? 8.0 : 4.5) * lap;
  if (exitAt + runLength > mPlan.endTime) {
    if (practice) return exitAt + 3.0 * lap < mPlan.endTime ? exitAt : kNever;
    // Everybody goes out for a last run before the flag.
    const double lastRun = mPlan.endTime - lap * mRng.Uniform(3.2, 4.0);
    return lastRun > mNow + 60.0 ? lastRun : kNever;
  }
  return exitAt;
}

void Generator::StartPitVisit(int i) {
  auto& car = mCars[static_cast<std::size_t>(i)];
  car.mode = Mode::PitLane;
  car.pitStep = PitStep::Entering;
  car.s.pitState = kPitEntering;
  car.s.inPits = true;
  car.boxProgress = std::ceil(car.s.progress) + car.box;
  car.passTarget = -1;
  if (!IsRace()) car.lapValid = false;
  for (auto& other : mCars) {
    if (other.passTarget == i) other.passTarget = -1;
  }
}

void Generator::Crossings(int i, double p0, double p1, double t0, double t1) {
  auto& car = mCars[static_cast<std::size_t>(i)];
  const double splits[3] = {mPlan.split1, mPlan.split2, 1.0};
  for (double k = std::floor(p0); k <= std::floor(p1); k += 1.0) {
    for (int s = 0; s < 3; ++s) {
      const double boundary = k + splits[s];
      if (boundary <= 0.0 || boundary <= p0 || boundary > p1) continue;
      const double time = t0 + (t1 - t0) * (boundary - p0) / (p1 - p0);
      const int point = s == 2 ? 0 : s + 1;
      if (point == 0) {
        CompleteLap(i, time);
        continue;
      }
      const bool valid = car.lapValid && car.splitValid;
      const double split = valid ? time - car.lapStart : -1.0;
      mCrossings.push_back(Crossing{i, time, car.laps, point, valid});
      Emit(time, ScoreLine(time, car.entry, car.laps, point, split));
    }
  }
}

void Generator::CompleteLap(int i, double time) {
  auto& car = mCars[static_cast<std::size_t>(i)];
  const bool valid = car.lapValid && car.splitValid;
  ++car.laps;
  mCrossings.push_back(Crossing{i, time, car.laps, 0, valid});
  Emit(time, ScoreLine(time, car.entry, car.laps, 0, valid ? time - car.lapStart : -1.0));
  car.lapStart = time;
  car.tyreLaps += 1.0;
  car.lapValid = car.splitValid = true;
  car.lapMul = 1.0 + std::clamp(mRng.Normal(), -2.0, 3.0) * car.consistency;

  const bool running = car.mode == Mode::Racing || car.mode == Mode::Spun || car.mode == Mode::PitLane;
  if (IsRace()) {
    if (!running || car.s.finishStatus != kFinishNone) return;
    const bool leaderDone = mPlan.maxLaps < 2147483647 ? car.laps >= mPlan.maxLaps : time >= mPlan.endTime;
    if (!mChequered && leaderDone) {
      // The flag falls for the leader only: the first car to get there is it.
      const double most = std::max_element(mCars.begin(), mCars.end(), [](const auto& a, const auto& b) {
                            return a.s.progress < b.s.progress;
                          })->s.progress;
      if (car.s.progress + 1e-9 >= most || mPlan.maxLaps < 2147483647) mChequered = true;
    }
    if (mChequered) {
      car.s.finishStatus = kFinished;
      car.s.finishTime = time;
      car.s.finishLaps = car.laps;
      if (car.mode == Mode::PitLane) {
        car.mode = Mode::Parked;
        car.s.speed = 0.0;
      } else {
        car.mode = Mode::CoolDown;
        car.s.pitState = kPitNone;
      }
      car.passTarget = -1;
    }
    return;
  }
  // Practice and qualifying: out lap, timed laps, in lap; the flag after the clock.
  if (car.mode == Mode::PitLane) car.lapValid = false;  // the out lap from the garage
  if (!running || car.s.finishStatus != kFinishNone) return;
  if (time >= mPlan.endTime && car.mode != Mode::PitLane) {
    car.s.finishStatus = kFinished;
    car.s.finishTime = time;
    car.s.finishLaps = car.laps;
    car.mode = Mode::CoolDown;
    car.s.pitState = kPitNone;
    car.passTarget = -1;
    return;
  }
  if (car.stage == RunStage::OutLap) {
    car.stage = RunStage::Flying;
  } else if (car.stage == RunStage::Flying && --car.runLaps <= 0) {
    car.stage = RunStage::InLap;
    car.pitAtLap = car.laps + 1;
    car.lapValid = false;
  }
  if (mPlan.kind == SessionKind::Qualifying && car.stage == RunStage::Flying) {
    // A push lap: a little quicker as the track rubbers in.
    car.lapMul = 1.0 - 0.004 - 0.003 * std::min(1.0, time / mPlan.endTime) +
                 std::fabs(mRng.Normal()) * car.consistency * 0.6;
  }
}

void Generator::RandomEvents(double t) {
  if (!IsRace() && t >= mPlan.endTime + 5.0 * mOptions.lapTime) return;
  for (std::size_t i = 0; i < mCars.size(); ++i) {
    auto& car = mCars[i];
    if (car.mode != Mode::Racing || t < car.launchAt) continue;
    const double inconsistency = car.consistency / 0.003;
    if (mRng.Chance(0.04 * inconsistency / mOptions.lapTime * kStep)) {
      car.slowUntil = t + mRng.Uniform(1.5, 3.5);  // a mistake: a wide line, a lock-up
      if (!IsRace()) car.lapValid = false;
    }
    if (mOptions.randomContacts) {
      const double rate = (IsRace() ? 1.0 : 0.6) * inconsistency * (IsRace() && car.laps == 0 ? 2.0 : 1.0) / 3600.0;
      if (mRng.Chance(rate * kStep)) WallContact(static_cast<int>(i), DrawStrength(0.12), t);
    }
    if (IsRace() && mRng.Chance(car.reliability * kStep)) Retire(static_cast<int>(i));
  }
}

void Generator::InjectContacts(double t) {
  while (mNextInjected < mInjected.size() && mInjected[mNextInjected] <= t) {
    // The two closest cars running nose to tail.
    int best = -1;
    double bestGap = kNever;
    for (int i : mOrder) {
      const auto& car = mCars[static_cast<std::size_t>(i)];
      if (car.mode != Mode::Racing || car.ahead < 0) continue;
      if (mCars[static_cast<std::size_t>(car.ahead)].mode != Mode::Racing) continue;
      const double gap = car.aheadDistance / std::max(car.s.speed, 10.0);
      if (gap < bestGap) {
        bestGap = gap;
        best = i;
      }
    }
    if (best < 0) {
      if (t - mInjected[mNextInjected] > 30.0) ++mNextInjected;
      return;
    }
    const int other = mCars[static_cast<std::size_t>(best)].ahead;
    Contact(best, other, 0.95, t, false);
    Spin(other, t, 6.0);
    ++mNextInjected;
  }
}

double Generator::DrawStrength(double heavyShare) {
  const double u = mRng.Uniform();
  if (u < heavyShare) return mRng.Uniform(0.6, 1.0);
  if (u < heavyShare + 0.22) return mRng.Uniform(0.25, 0.6);
  return 0.01 + 0.24 * std::pow(mRng.Uniform(), 2.0);
}

void Generator::Contact(int reporter, int other, double strength, double t, bool consequences) {
  const auto& a = mCars[static_cast<std::size_t>(reporter)];
  const auto& b = mCars[static_cast<std::size_t>(other)];
  // Each car reports the contact, mostly at the same moment, now and then a
  // tenth of a second later (an injected contact: always together).
  Emit(t, ContactLine(t, a.entry, strength, &b.entry));
  const double echo = consequences ? std::clamp(strength * mRng.Uniform(0.97, 1.03), 0.0, 1.0) : strength;
  const double later = consequences && mRng.Chance(0.25) ? 0.1 : 0.0;
  Emit(t + later, ContactLine(t + later, b.entry, echo, &a.entry));
  if (!IsRace()) {
    mCars[static_cast<std::size_t>(reporter)].lapValid = false;
    mCars[static_cast<std::size_t>(other)].lapValid = false;
  }
  if (!consequences || strength < 0.55) return;
  const int victim = mRng.Chance(0.6) ? other : reporter;
  Spin(victim, t, mRng.Uniform(3.0, 7.0));
  if (strength >= 0.8 && IsRace()) {
    const double roll = mRng.Uniform();
    auto& car = mCars[static_cast<std::size_t>(victim)];
    if (roll < 0.25) {
      Retire(victim);
    } else if (roll < 0.6 && car.pitAtLap != car.laps + 1) {
      car.repair = true;
      car.pitAtLap = car.laps + (Fraction(car.s.progress) < kPitEntry - 0.02 ? 1 : 2);
    }
  }
}

void Generator::WallContact(int i, double strength, double t) {
  Emit(t, ContactLine(t, mCars[static_cast<std::size_t>(i)].entry, strength, nullptr));
  if (!IsRace()) mCars[static_cast<std::size_t>(i)].lapValid = false;
  if (strength < 0.6) return;
  Spin(i, t, mRng.Uniform(3.0, 8.0));
  if (strength >= 0.85 && IsRace() && mRng.Chance(0.4)) Retire(i);
}

void Generator::Spin(int i, double t, double duration) {
  auto& car = mCars[static_cast<std::size_t>(i)];
  if (car.mode != Mode::Racing && car.mode != Mode::Spun) return;
  car.mode = Mode::Spun;
  car.spinUntil = t + duration;
  car.passTarget = -1;
  for (auto& other : mCars) {
    if (other.passTarget == i) other.passTarget = -1;
  }
}

void Generator::Retire(int i) {
  auto& car = mCars[static_cast<std::size_t>(i)];
  if (car.s.finishStatus != kFinishNone) return;
  car.mode = Mode::Stopping;
  car.passTarget = -1;
  for (auto& other : mCars) {
    if (other.passTarget == i) other.passTarget = -1;
  }
}

}  // namespace

int SessionNumberOf(SessionKind kind) {
  switch (kind) {
    case SessionKind::Practice: return 1;
    case SessionKind::Qualifying: return 5;
    case SessionKind::Race: return 10;
  }
  return 10;
}

std::unique_ptr<SessionSource> GenerateSession(const GeneratorOptions& options) {
  return std::make_unique<Generator>(options);
}

}  // namespace ksim
