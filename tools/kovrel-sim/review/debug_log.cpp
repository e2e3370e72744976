#include "review/debug_log.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string_view>

#include "common/open_file.hpp"
#include "review/log_lines.hpp"
#include "sessions/stream_lines.hpp"

namespace ksim {

namespace {

constexpr double kTimeBack = 0.5;       // an earlier session time than this begins a new stretch
constexpr double kSilentAtLeast = 1.0;  // a pause shorter than this is never called silence
constexpr int kSilentSnapshots = 4;     // nor one of fewer missing snapshots than this

// Builds the stretches line by line.
class SegmentBuilder {
 public:
  explicit SegmentBuilder(DebugLog& log) : mLog(log) {}

  void Line(std::string_view text, long long number) {
    const LogLine line = ReadLogLine(text);
    switch (line.kind) {
      case LogLineKind::State: State(line.state, number); break;
      case LogLineKind::AutoOff: Off(); break;
      case LogLineKind::AutoOn: break;  // the next State line shows the director back
      case LogLineKind::IncidentText: Names(text); break;
      case LogLineKind::IncidentValues: Values(line.values); break;
      case LogLineKind::ReplayScheduled: mScheduledPending = true; break;
      case LogLineKind::LiveReplay: mScheduledIncident = line.liveReplayMoment; break;
      case LogLineKind::Manual: Manual(line.manualAction); break;
      case LogLineKind::Broken: ++mLog.brokenLines; break;
      case LogLineKind::Other: break;
    }
  }

  void Finish() {
    if (mOpen) Close();
  }

 private:
  LogSegment& Segment() { return mLog.segments.back(); }

  void State(const StateLine& s, long long number) {
    ++mLog.stateLines;
    if (!mOpen || s.session != Segment().session || s.t < Segment().last - kTimeBack) Begin(s, number);
    LogSegment& seg = Segment();
    const double dt = s.t - seg.last;
    const bool first = seg.states == 0;
    if (!first && dt > 0.0 && dt < 5.0 && !mOffPending) CountInterval(dt);
    if (!first && mOffPending) {
      seg.autoOff.emplace_back(mOffFrom, s.t);
      EndShot(mOffFrom);
    } else if (!first && dt > std::max(kSilentAtLeast, kSilentSnapshots * seg.interval)) {
      seg.silent.emplace_back(seg.last + seg.interval, s.t);
      EndShot(seg.last + seg.interval);
    }
    mOffPending = false;
    ++seg.states;
    seg.last = s.t;
    seg.lastLine = number;
    if (s.waitsec >= 0) seg.waitsec = s.waitsec;
    if (s.onboarddiff >= 0.0) seg.onboarddiff = s.onboarddiff;
    Incidents(s.t);
    Replays(s);
    Shots(s);
  }

  void Begin(const StateLine& s, long long number) {
    // An off line between two stretches: the director was off from the end of
    // the one to the start of the other (it writes no State line while off).
    const bool off = mOffPending;
    if (mOpen) Close();
    mOpen = true;
    mLog.segments.emplace_back();
    LogSegment& seg = Segment();
    seg.session = s.session;
    seg.first = seg.last = s.t;
    seg.firstLine = seg.lastLine = number;
    seg.offAtStart = off;
    mOffPending = false;
    mIntervals.clear();
    mIntervalCount = 0;
    mShotOpen = false;
    mInReplay = false;
    mCandidate = 0.0;
    mCandidateTime = -1.0;
    mScheduledIncident = -1.0;
    mHandHolds = mHandCut = mHandReplay = false;
  }

  // Who has the camera from the next State line on, as the plug-in keeps it:
  // a hold until released; a manual cut until the director resumes (under a
  // hold it only moves the hold); a manual replay until it ends.
  void Manual(const std::string& action) {
    if (action == "hold") {
      mHandHolds = true;
      mHandCut = false;
    } else if (action == "release") {
      mHandHolds = false;
    } else if (action == "resume") {
      mHandCut = false;
    } else if (action == "replay") {
      mHandReplay = true;
      mHandReplayStarted = false;
    } else if (!mHandHolds) {
      mHandCut = true;  // next, previous, leader
    }
  }

  bool HandHasCamera() const { return mHandHolds || mHandCut || mHandReplay; }

  void Close() {
    LogSegment& seg = Segment();
    seg.offAtEnd = mOffPending;
    EndShot(mOffPending ? mOffFrom : seg.last + seg.interval);
    mOpen = false;
  }

  void Off() {
    if (mOffPending) return;
    mOffPending = true;
    mOffFrom = mOpen ? Segment().last + Segment().interval : 0.0;
  }

  // The usual pause between State lines, as the commonest one in milliseconds.
  void CountInterval(double dt) {
    const int ms = static_cast<int>(dt * 1000.0 + 0.5);
    const int count = ++mIntervals[ms];
    if (count > mIntervalCount) {
      mIntervalCount = count;
      Segment().interval = ms / 1000.0;
    }
  }

  void Names(std::string_view text) {
    const std::size_t at = text.find("<Incident ");
    if (at == std::string_view::npos || !mOpen) return;
    ContactReport report;
    if (!ParseContactLine(std::string(text.substr(at)), report)) return;
    Segment().names.emplace(report.reporterId, report.reporter);
    if (report.withVehicle && report.otherId >= 0) Segment().names.emplace(report.otherId, report.other);
  }

  void Values(const IncidentValues& v) {
    if (mOpen) {
      if (Segment().firstLowinc < 0.0) {
        Segment().firstLowinc = v.lowinc;
        Segment().firstHighinc = v.highinc;
      }
      Segment().lowinc = v.lowinc;
      Segment().highinc = v.highinc;
    }
    // The candidate's strength changes only when a new incident becomes the
    // candidate; its time is the snapshot's, which the next State line gives.
    if (v.candidate > 0.0 && v.candidate != mCandidate) mCandidatePending = true;
    mCandidate = v.candidate;
  }

  void Incidents(double t) {
    if (mCandidatePending) mCandidateTime = t;
    if (mScheduledPending) {
      mScheduledIncident = mCandidateTime;
      mCandidate = 0.0;
    }
    mCandidatePending = mScheduledPending = false;
  }

  void Replays(const StateLine& s) {
    LogSegment& seg = Segment();
    if (mHandReplay && mHandReplayStarted && !s.InReplay()) mHandReplay = false;  // the manual replay is over
    if (s.InReplay() && !mInReplay) {
      LoggedReplay replay;
      replay.slotId = s.replayCar;
      replay.incident = mScheduledIncident;
      replay.started = s.t;
      replay.manual = mHandReplay;
      mHandReplayStarted = mHandReplay;
      seg.replays.push_back(replay);
      mScheduledIncident = -1.0;
    } else if (!s.InReplay() && mInReplay && !seg.replays.empty()) {
      seg.replays.back().ended = s.t;
    }
    mInReplay = s.InReplay();
  }

  void Shots(const StateLine& s) {
    LogSegment& seg = Segment();
    const std::int32_t slot = s.InReplay() ? s.replayCar : s.onAir;
    const bool manual = HandHasCamera();
    if (mShotOpen && seg.shots.back().slotId == slot && seg.shots.back().replay == s.InReplay() &&
        seg.shots.back().manual == manual) {
      seg.shots.back().end = s.t;
      return;
    }
    EndShot(s.t);
    seg.shots.push_back(LoggedShot{s.t, s.t, slot, s.InReplay(), manual});
    mShotOpen = true;
  }

  void EndShot(double end) {
    if (!mShotOpen) return;
    LoggedShot& shot = Segment().shots.back();
    shot.end = std::max(shot.start, end);
    mShotOpen = false;
  }

  DebugLog& mLog;
  bool mOpen = false;
  bool mShotOpen = false;
  bool mInReplay = false;
  bool mOffPending = false;
  double mOffFrom = 0.0;
  double mCandidate = 0.0;
  double mCandidateTime = -1.0;
  bool mCandidatePending = false;
  bool mScheduledPending = false;
  double mScheduledIncident = -1.0;
  bool mHandHolds = false, mHandCut = false, mHandReplay = false;
  bool mHandReplayStarted = false;  // the manual replay has been on screen
  std::map<int, int> mIntervals;
  int mIntervalCount = 0;
};

// Splits a stream of bytes into lines, the last one possibly without a line end.
class LineSplitter {
 public:
  explicit LineSplitter(SegmentBuilder& builder) : mBuilder(builder) {}

  void Bytes(const char* data, std::size_t size) {
    std::string_view rest(data, size);
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      if (end == std::string_view::npos) {
        mPartial.append(rest);
        return;
      }
      ++mLines;
      if (mPartial.empty()) {
        mBuilder.Line(rest.substr(0, end), mLines);
      } else {
        mPartial.append(rest.substr(0, end));
        mBuilder.Line(mPartial, mLines);
        mPartial.clear();
      }
      rest.remove_prefix(end + 1);
    }
  }

  // A last line without its line end was cut off while being written: a State
  // line that still reads whole counts, anything else is left out.
  bool End() {
    if (mPartial.empty()) return false;
    ++mLines;
    mBuilder.Line(mPartial, mLines);
    mPartial.clear();
    return true;
  }

  long long Lines() const { return mLines; }

 private:
  SegmentBuilder& mBuilder;
  std::string mPartial;
  long long mLines = 0;
};

}  // namespace

DebugLog ReadDebugLog(const std::string& path, std::ostream* progress) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(path, "rb"), &std::fclose);
  if (!file) throw std::runtime_error("cannot read the debug log " + path);
  DebugLog log;
  log.path = path;
  SegmentBuilder builder(log);
  LineSplitter splitter(builder);
  std::vector<char> buffer(1 << 20);
  auto lastNote = start;
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (got == 0) break;
    splitter.Bytes(buffer.data(), got);
    log.bytes += got;
    if (progress != nullptr && Clock::now() - lastNote > std::chrono::seconds(3)) {
      lastNote = Clock::now();
      *progress << "kovrel-sim review: " << log.bytes / (1024 * 1024) << " MB of the log read\n";
      progress->flush();
    }
  }
  if (std::ferror(file.get())) throw std::runtime_error("cannot read the debug log " + path + " to its end");
  log.truncatedEnd = splitter.End();
  builder.Finish();
  log.lines = splitter.Lines();
  log.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return log;
}

DebugLog ReadDebugLogText(const std::string& text) {
  DebugLog log;
  SegmentBuilder builder(log);
  LineSplitter splitter(builder);
  splitter.Bytes(text.data(), text.size());
  log.truncatedEnd = splitter.End();
  builder.Finish();
  log.lines = splitter.Lines();
  log.bytes = text.size();
  return log;
}

}  // namespace ksim
