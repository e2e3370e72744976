#include "host/host.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "host/director_view.hpp"
#include "host/files_copy.hpp"
#include "host/field_recorder.hpp"
#include "host/plugin_host.hpp"
#include "host/plugin_path.hpp"
#include "host/web_server.hpp"
#include "host/scoreboard.hpp"
#include "host/timing_noise.hpp"
#include "outputs/trace_format.hpp"
#include "sessions/traced_field.hpp"
#include "sessions/stream_lines.hpp"
#include "common/open_file.hpp"
#include "common/text.hpp"
#include "director/manual_keys.hpp"

namespace ksim {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kCtrlKey = 17;
// The controls the host polls every frame; the first is the one the plug-in takes over.
const char* const kControls[] = {"InstantReplay", "ToggleMFDA", "LookLeft"};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string JsonText(const std::string& bytes) {
  std::string out = "\"";
  for (const char c : ValidUtf8(bytes)) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
}

// The plug-in's incident scan acts on a snapshot's addition to the stream
// only when it holds these words; it reads any other and drops it.
bool ScanActsOn(const std::string& stream, std::size_t from) {
  const auto has = [&](const char* word) { return stream.find(word, from) != std::string::npos; };
  return has("Incident") && (has("Immovable") || has("vehicle"));
}

// Each session of a weekend draws its own timing error.
std::uint64_t NoiseSeed(std::uint64_t seed, int sessionNumber) {
  return seed * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(sessionNumber);
}

bool Running(const VehicleScoringInfoV01& v) { return v.mPitState == 0 && v.mFinishStatus == 0; }

// The index of the broadcaster's action the INI key names; -1 for none.
int ManualActionOf(const std::string& key) {
  for (int a = 0; a < kManualActions; ++a) {
    if (key == kManualKeyNames[a]) return a;
  }
  return -1;
}

// Times the plug-in's callbacks, so that its own cost is told apart from the host's.
class CallTimer {
 public:
  explicit CallTimer(double& total, bool enabled = true)
      : mTotal(total), mEnabled(enabled), mStart(enabled ? Clock::now() : Clock::time_point()) {}
  ~CallTimer() {
    if (mEnabled) mTotal += Seconds(Clock::now() - mStart);
  }
  CallTimer(const CallTimer&) = delete;
  CallTimer& operator=(const CallTimer&) = delete;

 private:
  double& mTotal;
  bool mEnabled;
  Clock::time_point mStart;
};

class SessionPlayer {
 public:
  SessionPlayer(SessionSource& source, PluginHost& host, DirectorView& view, const RunOptions& options,
                RunResult& result, WebServer* web, Clock::time_point wallStart, double clockOffset)
      : mSource(source), mHost(host), mPlugin(*host.Plugin()), mView(view), mOptions(options), mResult(result),
        mWeb(web), mWallStart(wallStart), mClockOffset(clockOffset), mBoard(source.Plan()),
        mNoise(options.timingNoise, NoiseSeed(options.noiseSeed, source.Plan().sessionNumber),
               static_cast<int>(source.Plan().cars.size())) {
    if (!options.recordTrace.empty()) {
      mTraced = std::make_unique<TracedField>(source.Plan().cars.size(), RoundedTraceDistance(source.Plan().trackLength));
    }
  }

  SessionRun Play(bool hardware);
  // The session's trace, when the run records one.
  const std::string& TraceBytes() const { return mTraceBytes; }

 private:
  void Live(double time, const char* kind, const std::string& text);
  void Frame(double time, double frameSeconds, bool hardware);
  void ApplyView(unsigned char answer, const CameraControlInfoV01& camera, double time);
  void ToggleReplay(double time);
  void NoteReplayClock();
  void SwitchShot(double time, int car, int camera, bool replay, Reason reason);
  void Account(double t, double dt);
  void NoteAuto(double time);
  void NoteManual(double time);
  void PressKeys(double t, std::vector<int>& down);
  void ShowProgress(double t);
  char* StreamForPlugin(std::size_t mark);
  std::string CarText(int car) const;
  std::string SessionJson(double t) const;

  SessionSource& mSource;
  PluginHost& mHost;
  InternalsPluginV07& mPlugin;
  DirectorView& mView;
  const RunOptions& mOptions;
  RunResult& mResult;
  WebServer* mWeb;
  Clock::time_point mWallStart;
  double mClockOffset;
  Scoreboard mBoard;
  TimingNoise mNoise;
  std::vector<VehicleScoringInfoV01> mNoisyCars;  // the plug-in's copy of the cars, with the timing error
  // Recording a trace: the field as the trace tells it, and the trace.
  std::unique_ptr<TracedField> mTraced;
  std::vector<const VehicleScoringInfoV01*> mTracedCars;
  std::vector<Crossing> mTracedCrossings;
  TraceWriter mTraceWriter;
  std::string mTraceBytes;
  SessionRun mRun;
  FieldRecorder mRecorder{mRun};
  std::string mStream;
  std::string mDirectorStream;  // what the plug-in is given, unless the whole stream
  // What the broadcast shows.
  Shot mShot;
  bool mShotOpen = false;
  std::int32_t mTargetId = -1;
  int mTargetCamera = 4;
  bool mReplayMode = false;
  bool mReplayButton = false;
  double mReplayClock = 0.0;
  double mReplaySpeed = 1.0;
  bool mAfterReplay = false;
  bool mWhyPending = false;
  CutReason mWhy;
  int mAuto = -1;
  bool mManual = false;  // the broadcaster has the camera (the plug-in says)
  std::vector<TimedPress> mPresses;  // in time order
  std::size_t mNextPress = 0;
  Clock::time_point mLastProgress = Clock::now();
};

void SessionPlayer::Live(double time, const char* kind, const std::string& text) {
  if (mOptions.live == nullptr) return;
  char head[48];
  std::snprintf(head, sizeof head, "%10s  %-7s ", ClockText(time).c_str(), kind);
  *mOptions.live << head << text << '\n';
}

std::string SessionPlayer::CarText(int car) const {
  if (car < 0) return "an unknown car";
  const CarEntry& entry = mRun.plan.cars[static_cast<std::size_t>(car)];
  return "#" + std::to_string(entry.id) + " " + ValidUtf8(entry.driver);
}

std::string SessionPlayer::SessionJson(double t) const {
  const SessionPlan& plan = mRun.plan;
  std::ostringstream json;
  json << "{\"trackName\":" << JsonText(plan.trackName) << ",\"session\":" << plan.sessionNumber
       << ",\"currentEventTime\":" << t << ",\"endEventTime\":" << plan.endTime
       << ",\"maximumLaps\":" << plan.maxLaps << ",\"numberOfVehicles\":" << plan.cars.size()
       << ",\"gamePhase\":" << mSource.Phase() << "}";
  return json.str();
}

void SessionPlayer::SwitchShot(double time, int car, int camera, bool replay, Reason reason) {
  if (mShotOpen) {
    if (mShot.car == car && mShot.camera == camera && mShot.replay == replay && mShot.manual == mManual) return;
    mShot.end = time;
    if (mShot.end > mShot.start) mRun.shots.push_back(mShot);
  }
  mShot = Shot{time, time, car, camera, replay, reason, mManual};
  mShotOpen = true;
}

// A shot begins where the broadcaster takes the camera and where the director
// has it back, so that the analysis can tell the two apart.
void SessionPlayer::NoteManual(double time) {
  const bool manual = mView.ManualNow();
  if (manual == mManual) return;
  mManual = manual;
  // Held as it was: the hand's shot from here; given back, the director's until its next cut.
  if (mShotOpen) SwitchShot(time, mShot.car, mShot.camera, mShot.replay, manual ? Reason::Manual : Reason::Unknown);
}

// Ctrl and the keys of the presses due by t, through the host's key state;
// `down` gets the keys to release after the frames.
void SessionPlayer::PressKeys(double t, std::vector<int>& down) {
  for (; mNextPress < mPresses.size() && mPresses[mNextPress].time <= t; ++mNextPress) {
    const TimedPress& press = mPresses[mNextPress];
    const int action = ManualActionOf(press.key);
    const int code = action >= 0 ? mResult.settings.manualKeys[action] : 0;
    if (code == 0 || !mHost.HasVirtualKeyboard()) continue;
    if (down.empty()) {
      mHost.SetKey(kCtrlKey, true);
      down.push_back(kCtrlKey);
    }
    mHost.SetKey(code, true);
    down.push_back(code);
    mRun.keyPresses.push_back(KeyPress{t, mView.Available() ? mView.AutoOn() : -1, press.key});
    char keys[32];
    std::snprintf(keys, sizeof keys, "Ctrl+0x%02X", code);
    Live(t, "KEY", std::string(keys) + " pressed (" + press.key + ")");
  }
}

void SessionPlayer::NoteReplayClock() {
  if (mRun.replays.empty()) return;
  ReplayRun& run = mRun.replays.back();
  if (run.cameraSet < 0.0) return;  // the picture is not yet the replay's
  if (run.shownFrom < 0.0 || mReplayClock < run.shownFrom) run.shownFrom = mReplayClock;
  if (mReplayClock > run.shownTo) run.shownTo = mReplayClock;
  if (mReplaySpeed > 0.0 && mReplaySpeed < 1.0) {
    if (run.slowShownFrom < 0.0 || mReplayClock < run.slowShownFrom) run.slowShownFrom = mReplayClock;
    if (mReplayClock > run.slowShownTo) run.slowShownTo = mReplayClock;
  }
}

void SessionPlayer::ToggleReplay(double time) {
  if (!mReplayMode) {
    mReplayMode = true;
    mReplayClock = time;
    mReplaySpeed = 1.0;
    ReplayRun run;
    run.pressed = time;
    run.manual = mManual;  // the replay key's
    mRun.replays.push_back(run);
    SwitchShot(time, mShot.car, mShot.camera, true, Reason::Unknown);
    Live(time, "REPLAY", "instant replay on");
    return;
  }
  mReplayMode = false;
  if (!mRun.replays.empty()) {
    ReplayRun& run = mRun.replays.back();
    run.ended = time;
    Live(time, "REPLAY", "back to live after " + Fixed(time - run.pressed, 1) + " s");
  }
  mAfterReplay = true;
  SwitchShot(time, mBoard.IndexOfId(mTargetId), mTargetCamera, false, Reason::AfterReplay);
}

void SessionPlayer::ApplyView(unsigned char answer, const CameraControlInfoV01& camera, double time) {
  const bool cameraAsked = answer == 1 || answer == 3;
  const bool controlsAsked = answer == 2 || answer == 3;
  if (cameraAsked) {
    const int car = mBoard.IndexOfId(camera.mID);
    mTargetId = camera.mID;
    mTargetCamera = camera.mCameraType;
    if (mReplayMode) {
      ReplayRun& run = mRun.replays.back();
      if (run.cameraSet < 0.0) {
        run.cameraSet = time;
        run.car = car;
        run.slotId = camera.mID;
      }
      SwitchShot(time, car, camera.mCameraType, true, Reason::Unknown);
    } else if (car != mShot.car || camera.mCameraType != mShot.camera || !mShotOpen) {
      Cut cut;
      cut.time = time;
      cut.car = car;
      cut.slotId = camera.mID;
      cut.place = car >= 0 ? mBoard.Vehicle(car).mPlace : 0;
      cut.camera = camera.mCameraType;
      if (mWhyPending) {
        cut.why = mWhy;
      } else {
        cut.why.reason = mAfterReplay ? Reason::AfterReplay : Reason::Unknown;
      }
      mRun.cuts.push_back(cut);
      SwitchShot(time, car, cut.camera, false, cut.why.reason);
      std::string reason = ReasonName(cut.why.reason);
      if (!cut.why.detail.empty()) reason += " " + cut.why.detail;
      if (cut.why.rearView) reason += ", rear view from the car ahead";
      if (cut.why.leaderInstead) reason += ", place " + std::to_string(cut.why.place) + " not on track: leader";
      char place[16];
      std::snprintf(place, sizeof place, "P%-3d", cut.place);
      char text[160];
      std::snprintf(text, sizeof text, "%s %-28s %-12s ", place, CarText(car).c_str(),
                    CameraName(cut.camera).c_str());
      Live(time, "CUT", text + reason);
    } else {
      ++mRun.repeatedCuts;
    }
    mWhyPending = false;
    mAfterReplay = false;
  }
  if (!controlsAsked) return;
  if (!mReplayMode || mRun.replays.empty()) {
    ++mRun.ignoredReplayCommands;
    return;
  }
  ReplayRun& run = mRun.replays.back();
  if (camera.mReplaySetTime) {
    mReplayClock = std::clamp(static_cast<double>(camera.mReplaySeconds), 0.0, time);
    // The picture jumps: what it showed before the jump is not the replay's.
    run.shownFrom = run.shownTo = -1.0;
    run.slowShownFrom = run.slowShownTo = -1.0;
    run.seekTo = camera.mReplaySeconds;
    const double incident = camera.mReplaySeconds + mResult.settings.replayoffset;
    Live(time, "REPLAY", CarText(run.car) + " from " + ClockText(run.seekTo) + " (incident at " +
                             ClockText(incident) + ")");
  }
  switch (camera.mReplayCommand) {
    case 1: mReplayClock = 0.0; break;                 // begin
    case 2: mReplayClock = time; break;                // end
    case 4: mReplaySpeed = -4.0; break;                // fast backwards
    case 5: mReplaySpeed = -1.0; break;                // backwards
    case 6: mReplaySpeed = -0.25; break;               // slow backwards
    case 7: mReplaySpeed = 0.0; break;                 // stop
    case 8:                                            // slow play
      mReplaySpeed = 0.25;
      if (run.slowFrom < 0.0) run.slowFrom = time;
      break;
    case 9:                                            // play
      mReplaySpeed = 1.0;
      if (run.normalFrom < 0.0) run.normalFrom = time;
      break;
    case 10: mReplaySpeed = 4.0; break;                // fast play
    case 11: mReplaySpeed = 8.0; break;                // fast forward
    default: break;
  }
}

void SessionPlayer::Frame(double time, double frameSeconds, bool hardware) {
  double& callbacks = mResult.callbackSeconds;
  if (hardware) {
    {
      CallTimer timer(callbacks, mOptions.timeCallbacks);
      mPlugin.UpdateHardware(frameSeconds);
    }
    for (std::size_t c = 0; c < std::size(kControls); ++c) {
      double value = 0.0;  // nobody touches the real control
      bool taken;
      {
        CallTimer timer(callbacks, mOptions.timeCallbacks);
        taken = mPlugin.CheckHWControl(kControls[c], value);
      }
      if (c == 0) {
        const bool down = taken && value >= 0.5;
        if (down && !mReplayButton) ToggleReplay(time);
        mReplayButton = down;
      } else if (taken) {
        ++mRun.controlsTaken;
      }
    }
  }
  CameraControlInfoV01 camera{};
  camera.mID = mTargetId;
  camera.mCameraType = mTargetCamera;
  camera.mReplayActive = mReplayMode;
  unsigned char answer;
  {
    CallTimer timer(callbacks, mOptions.timeCallbacks);
    answer = mPlugin.WantsToViewVehicle(camera);
  }
  ApplyView(answer, camera, time);
  MessageInfoV01 message{};
  bool shown;
  {
    CallTimer timer(callbacks, mOptions.timeCallbacks);
    shown = mPlugin.WantsToDisplayMessage(message);
  }
  if (shown) {
    const std::string text(message.mText, strnlen(message.mText, sizeof message.mText));
    mRun.notices.push_back(Notice{time, text, message.mDestination});
    Live(time, "NOTICE", "\"" + ValidUtf8(text) + "\" (" + (message.mDestination == 1 ? "chat" : "message centre") + ")");
  }
  if (mReplayMode) {
    mReplayClock = std::clamp(mReplayClock + frameSeconds * mReplaySpeed, 0.0, time);
    NoteReplayClock();
  }
  ++mRun.frames;
  if (mOptions.realtime) {
    const double speed = mOptions.speed > 0.0 ? mOptions.speed : 1.0;
    const auto due = mWallStart + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>((mClockOffset + time) / speed));
    std::this_thread::sleep_until(due);
  }
}

void SessionPlayer::Account(double t, double dt) {
  if (mRun.plan.kind != SessionKind::Race) return;
  const ScoringInfoV01& info = mBoard.Info();
  if (info.mGamePhase != kPhaseGreen) return;
  const int count = mBoard.Count();
  for (int i = 0; i < count; ++i) {
    if (mBoard.Vehicle(i).mFinishStatus == kFinished) return;  // the race is run once the flag has fallen
  }
  const double window = mResult.settings.onboarddiff;
  const auto fighting = [&](const VehicleScoringInfoV01& v) {
    return Running(v) && v.mPlace > 1 && v.mTimeBehindNext > 0.0 && v.mTimeBehindNext <= window;
  };
  if (mRun.greenStart < 0.0) mRun.greenStart = t;
  mRun.greenEnd = t + dt;
  mRun.raceTime += dt;
  bool anywhere = false;
  for (int i = 0; i < count && !anywhere; ++i) anywhere = fighting(mBoard.Vehicle(i));
  if (anywhere) mRun.battleAvailable += dt;
  if (mReplayMode || mShot.car < 0 || !mShotOpen) return;
  const VehicleScoringInfoV01& shown = mBoard.Vehicle(mShot.car);
  const int behind = mBoard.IndexAtPlace(shown.mPlace + 1);
  const bool onAir = Running(shown) && (fighting(shown) || (behind >= 0 && fighting(mBoard.Vehicle(behind))));
  if (!onAir) return;
  mRun.battleTime += dt;
  auto& spans = mRun.battleOnAir;
  if (!spans.empty() && t - spans.back().second < dt * 1.5) {
    spans.back().second = t + dt;
  } else {
    spans.emplace_back(t, t + dt);
  }
}

void SessionPlayer::NoteAuto(double time) {
  if (!mView.Available()) return;
  const int now = mView.AutoOn() != 0 ? 1 : 0;
  if (now == mAuto) return;
  if (now == 0) mRun.autoOff.emplace_back(time, time);
  if (now == 1 && !mRun.autoOff.empty() && mAuto == 0) mRun.autoOff.back().second = time;
  mAuto = now;
}

void SessionPlayer::ShowProgress(double t) {
  if (mOptions.progress == nullptr) return;
  const auto now = Clock::now();
  if (Seconds(now - mLastProgress) < (mOptions.realtime ? 30.0 : 2.0)) return;
  mLastProgress = now;
  const double expected = std::max(1.0, mRun.plan.expectedDuration);
  const int percent = std::clamp(static_cast<int>(100.0 * t / expected), 0, 99);
  *mOptions.progress << "[" << SessionKindName(mRun.plan.kind) << " " << percent << "%] session time "
                     << ClockText(t) << ", " << mRun.snapshots << " snapshots\n";
  mOptions.progress->flush();
}

// The results stream as the plug-in sees it this snapshot; `mark` is where
// this snapshot's additions begin in the whole stream.
char* SessionPlayer::StreamForPlugin(std::size_t mark) {
  const bool wanted = !mOptions.incidentAdditionsOnly || ScanActsOn(mStream, mark);
  if (mOptions.resultsStream == ResultsStream::Whole) {
    if (!mOptions.incidentAdditionsOnly) return mStream.data();
    if (wanted) mDirectorStream.append(mStream, mark, std::string::npos);
  } else {
    mDirectorStream.clear();
    if (wanted) mDirectorStream.append(mStream, mark, std::string::npos);
  }
  return mDirectorStream.data();
}

SessionRun SessionPlayer::Play(bool hardware) {
  mRun.plan = mSource.Plan();
  mRun.directorSeed = mOptions.directorSeed;
  mRecorder.Begin(mSource);
  const SessionPlan& plan = mRun.plan;
  const bool scoring = mPlugin.WantsScoringUpdates();
  {
    CallTimer timer(mResult.callbackSeconds, mOptions.timeCallbacks);
    mPlugin.StartSession();
    mPlugin.EnterRealtime();
  }
  if (mOptions.live != nullptr) {
    *mOptions.live << "== " << SessionKindName(plan.kind) << " (session " << plan.sessionNumber << ") at "
                   << ValidUtf8(plan.trackName) << ", " << plan.cars.size() << " cars";
    if (plan.kind == SessionKind::Race && plan.maxLaps < 2147483647) *mOptions.live << ", " << plan.maxLaps << " laps";
    *mOptions.live << '\n';
  }
  NoteAuto(0.0);

  const double rate = mOptions.scoringRate > 0.0 ? mOptions.scoringRate : 5.0;
  const double dt = 1.0 / rate;
  const int frames = std::max(1, static_cast<int>(std::lround(mOptions.frameRate / rate)));
  std::vector<double> toggles = mOptions.toggleAt;
  std::sort(toggles.begin(), toggles.end());
  mPresses = mOptions.presses;
  std::stable_sort(mPresses.begin(), mPresses.end(),
                   [](const TimedPress& a, const TimedPress& b) { return a.time < b.time; });
  std::size_t nextToggle = 0;
  std::vector<double> copies = mOptions.copyFilesAt;
  std::sort(copies.begin(), copies.end());
  std::size_t nextCopy = 0;
  const int autokey = mResult.settings.known ? mResult.settings.autokey : 0x41;
  std::vector<Crossing> crossings;
  mStream.reserve(1 << 20);

  double t = 0.0;
  if (mTraced) mTraceBytes = kTraceHeader;
  for (long long k = 0;; ++k) {
    // A trace sets its own times; a run that records one keeps to the
    // trace's milliseconds.
    if (!mSource.SnapshotTime(k, t)) t = static_cast<double>(k) * dt;
    if (mTraced) t = RoundedTraceTime(t);
    crossings.clear();
    const std::size_t mark = mStream.size();
    mSource.AdvanceTo(t, mStream, crossings);
    const ScoringInfoV01* recorded = mSource.TracedInfo();
    if (recorded != nullptr) {
      mBoard.Take(mSource);
    } else {
      mBoard.Update(t, mSource, crossings);
    }
    ScoringInfoV01& info = mBoard.Info();
    if (mTraced) {
      RoundToTrace(info);
      mTracedCars.resize(static_cast<std::size_t>(mBoard.Count()));
      for (int i = 0; i < mBoard.Count(); ++i) mTracedCars[static_cast<std::size_t>(i)] = &mBoard.Vehicle(i);
      mTracedCrossings.clear();
      mTraced->Update(t, info.mGamePhase, mTracedCars, mTracedCrossings);
      mRecorder.Snapshot(t, info.mGamePhase, [&](int i) -> const CarState& { return mTraced->Car(i); }, mBoard,
                         mTracedCrossings);
    } else {
      mRecorder.Snapshot(t, mSource, mBoard, crossings);
    }
    if (mStream.size() > mark) mRecorder.NoteContacts(mStream, mark, mBoard);
    info.mResultsStream = StreamForPlugin(mark);
    if (recorded != nullptr) {
      // The array exactly as recorded, in its order and count.
      info.mVehicle = recorded->mVehicle;
      info.mNumVehicles = recorded->mNumVehicles;
    }
    if (mNoise.Active()) {
      mNoise.Apply(t, mBoard, plan.trackLength, plan.kind == SessionKind::Race, mNoisyCars);
      info.mVehicle = mNoisyCars.data();
    }
    if (mTraced) mTraceWriter.Append(info, mTraceBytes, !plan.progressExact);

    std::vector<int> manualDown;
    PressKeys(t, manualDown);
    bool pressed = false;
    if (nextToggle < toggles.size() && toggles[nextToggle] <= t) {
      ++nextToggle;
      if (mHost.HasVirtualKeyboard()) {
        mHost.SetKey(kCtrlKey, true);
        mHost.SetKey(autokey, true);
        pressed = true;
      }
    }
    mView.BeforeScoring();
    if (scoring) {
      CallTimer timer(mResult.scoringSeconds, mOptions.timeCallbacks);
      mPlugin.UpdateScoring(info);
    }
    ++mRun.snapshots;
    if (mView.CutPrepared()) {
      mWhy = mView.Explain(info);
      mWhyPending = true;
    }
    NoteAuto(t);
    NoteManual(t);
    if (pressed) {
      const int after = mView.Available() ? (mView.AutoOn() != 0 ? 1 : 0) : -1;
      mRun.keyPresses.push_back(KeyPress{t, after});
      char keys[32];
      std::snprintf(keys, sizeof keys, "Ctrl+0x%02X", autokey);
      Live(t, "KEY", std::string(keys) + " pressed" +
                         (after < 0 ? std::string() : after ? ": automatic camera on" : ": automatic camera off"));
    }
    // Between a trace's snapshots as many frames as their spacing holds.
    // (A run that records a trace spaces its frames as the trace's replay will.)
    double step = dt;
    int frameCount = frames;
    double next = 0.0;
    if (mSource.SnapshotTime(k + 1, next)) {
      step = std::max(0.0, next - t);
      frameCount = std::max(1, static_cast<int>(std::lround(mOptions.frameRate * step)));
    } else if (mTraced) {
      step = RoundedTraceTime(static_cast<double>(k + 1) * dt) - t;
    }
    const double frameStep = step / frameCount;
    Account(t, step);
    if (mWeb != nullptr) mWeb->SetSession(SessionJson(t), t);
    for (int f = 0; f < frameCount; ++f) {
      Frame(t + f * frameStep, frameStep, hardware);
      NoteManual(t + f * frameStep);
    }
    // After the frames: a cut or replay between snapshots has been written.
    for (; nextCopy < copies.size() && copies[nextCopy] <= t; ++nextCopy) {
      // A failed copy is told, and the run goes on: it is a side view of it.
      try {
        if (mResult.filesFolder.empty()) throw std::runtime_error("the plug-in named no files folder");
        const std::string copy = CopyFilesFolder(mResult.filesFolder, mResult.workFolder,
                                                 SessionKindName(plan.kind), copies[nextCopy]);
        Live(t, "FILES", "the files folder as an overlay reads it now, copied to " + copy);
      } catch (const std::runtime_error& error) {
        mResult.warnings.push_back(std::string("--copy-files-at: ") + error.what());
      }
    }
    if (pressed) {
      mHost.SetKey(kCtrlKey, false);
      mHost.SetKey(autokey, false);
    }
    for (const int key : manualDown) mHost.SetKey(key, false);
    NoteAuto(t + step);
    ShowProgress(t);
    if (mSource.Over()) break;
  }
  mRun.endTime = t;
  if (mShotOpen) {
    mShot.end = t;
    if (mShot.end > mShot.start) mRun.shots.push_back(mShot);
  }
  if (!mRun.autoOff.empty() && mAuto == 0) mRun.autoOff.back().second = t;
  {
    CallTimer timer(mResult.callbackSeconds, mOptions.timeCallbacks);
    mPlugin.ExitRealtime();
    mPlugin.EndSession();
  }
  mRecorder.End(mSource, mBoard);
  return std::move(mRun);
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::FILE* file = OpenFile(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::string FolderFromSetting(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace

std::string TraceFileOfSession(const std::string& path, int sessionNumber, bool severalSessions) {
  if (!severalSessions) return path;
  const fs::path file = fs::u8path(path);
  const std::string suffix = "-s" + std::to_string(sessionNumber);
  return (file.parent_path() / fs::u8path(file.stem().u8string() + suffix + file.extension().u8string())).u8string();
}

RunResult RunSessions(std::vector<std::unique_ptr<SessionSource>>& sessions, const RunOptions& options) {
  RunResult result;
  const auto wallStart = Clock::now();
  std::error_code error;
  const fs::path folder = fs::absolute(fs::u8path(options.workFolder));
  // The plug-in is told this folder: refused before anything is made in it.
  const std::string pluginFolder = PathForPlugin(folder.u8string());
  fs::create_directories(folder, error);
  if (!fs::is_directory(folder)) throw std::runtime_error("cannot create the working folder " + folder.u8string());
  result.workFolder = folder.u8string();
  result.settingsPath = WriteSettingsFile(result.workFolder, options.settingsTemplate, options.settings);

  std::unique_ptr<WebServer> web;
  if (options.serve) {
    web = std::make_unique<WebServer>();
    web->Start(options.webPort);
    result.served = true;
  }

  PluginHost host(options.pluginPath);
  result.pluginName = host.Name();
  InternalsPluginV07& plugin = *host.Plugin();
  DirectorView view(host.Plugin(), host.Name().rfind("rF2 kovrel", 0) == 0);
  if (!view.Available()) result.warnings.push_back("the plug-in is not rF2kovrel: the reasons for cuts are not known");

  // The simulator's paths: its user folder, the player's plug-in options file
  // (the plug-in keeps its INI beside it) and the results folder.
  static const char kEmpty[] = "";
  const std::string userData = pluginFolder + "/";
  const std::string optionsFile = pluginFolder + "/CustomPluginVariables.JSON";
  const std::string resultsFolder = pluginFolder + "/Log/Results/";
  EnvironmentInfoV01 environment{};
  for (auto& entry : environment.mPath) entry = kEmpty;
  environment.mPath[0] = userData.c_str();
  environment.mPath[1] = optionsFile.c_str();
  environment.mPath[2] = resultsFolder.c_str();
  {
    CallTimer timer(result.callbackSeconds);
    plugin.SetEnvironment(environment);
  }
  result.settings = view.Settings();
  result.webServerSeen = view.WebServerSeen();
  if (result.settings.known) {
    result.filesFolder = FolderFromSetting(result.settings.filespath);
    if (result.settings.autoOn == 0 && result.settings.waitsec == 0) {
      result.warnings.push_back("the plug-in kept its construction settings (automatic camera off): it did not read " +
                                result.settingsPath);
    }
  }
  if (!options.toggleAt.empty() && !host.HasVirtualKeyboard()) {
    result.warnings.push_back("the plug-in has no virtual keyboard: --toggle-at is ignored");
  }
  if (!options.presses.empty() && !host.HasVirtualKeyboard()) {
    result.warnings.push_back("the plug-in has no virtual keyboard: --press is ignored");
  }
  for (const TimedPress& press : options.presses) {
    const int action = ManualActionOf(press.key);
    if (host.HasVirtualKeyboard() && action >= 0 && result.settings.manualKeys[action] == 0) {
      result.warnings.push_back("--press " + press.key + "@" + Fixed(press.time, 1) + ": the plug-in has no usable " +
                                press.key + " (set one, as --set " + press.key + "=0x48): ignored");
    }
  }
  {
    CallTimer timer(result.callbackSeconds);
    plugin.Startup(1131);
  }
  // The plug-in seeds the C library's generator from the clock at Startup;
  // host and plug-in share that generator, so a seed given here makes two
  // runs draw the same.
  if (options.directorSeed != 0) std::srand(static_cast<unsigned>(options.directorSeed));
  if (!plugin.WantsScoringUpdates()) result.warnings.push_back("the plug-in wants no scoring updates");
  const bool hardware = plugin.HasHardwareInputs();
  if (hardware) plugin.EnableHardware();

  double clockOffset = 0.0;
  for (auto& source : sessions) {
    SessionPlayer player(*source, host, view, options, result, web.get(), wallStart, clockOffset);
    result.sessions.push_back(player.Play(hardware));
    if (!options.recordTrace.empty()) {
      const std::string path =
          TraceFileOfSession(options.recordTrace, result.sessions.back().plan.sessionNumber, sessions.size() > 1);
      if (!WriteWholeFile(path, player.TraceBytes())) throw std::runtime_error("cannot write the trace " + path);
      result.traceFiles.push_back(path);
    }
    clockOffset += result.sessions.back().endTime;
    result.snapshots += result.sessions.back().snapshots;
    view.TakeThresholdsInForce(result.settings);
  }
  if (hardware) plugin.DisableHardware();
  {
    CallTimer timer(result.callbackSeconds);
    plugin.Shutdown();
  }
  host.Destroy();
  if (web) {
    web->WaitForQuiet(300, 3000);
    result.focusRequests = web->FocusRequests();
    result.sessionInfoRequests = web->SessionInfoCount();
    web->Stop();
  }
  result.wallSeconds = Seconds(Clock::now() - wallStart);
  return result;
}

std::string ParseTimedPress(const std::string& text, TimedPress& press) {
  const std::size_t at = text.find('@');
  if (at == std::string::npos) return "wants KEY@TIME, as holdkey@620";
  press.key = text.substr(0, at);
  if (ManualActionOf(press.key) < 0) {
    return "\"" + press.key + "\" is none of holdkey, nextkey, prevkey, leaderkey and replaykey";
  }
  const std::string time = text.substr(at + 1);
  char* end = nullptr;
  press.time = std::strtod(time.c_str(), &end);
  if (time.empty() || *end != '\0' || !std::isfinite(press.time) || press.time < 0.0) {
    return "\"" + time + "\" is not a session time in seconds";
  }
  return "";
}

}  // namespace ksim
