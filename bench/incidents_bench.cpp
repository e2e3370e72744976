// The incident scan as the simulator feeds it, each snapshot only the lines
// added since the last (about 100 bytes); and from a host that hands the whole
// stream, growing by 100 bytes a snapshot: its cost against the strlen of the
// same stream, at 1 KB, 100 KB and 1 MB, and against a copy of the whole stream.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "bench/race_field.hpp"
#include "support/results_stream.hpp"

namespace {

constexpr std::size_t kGrowth = 100;
// How far a stream grows before it is wound back to its starting length.
constexpr std::size_t kGrowthSpan = 10 * 1024;
constexpr std::size_t kLongestStart = 1024 * 1024;

// The stream text: a real race's stream when the shared results are there
// (each line as the simulator adds it), else synthetic lines of the same shape.
const std::string& StreamSource() {
  static const std::string source = [] {
    std::string text;
#ifdef KOVREL_SHARED_DATA
    for (const StreamLine& line : ReadStreamLines(std::string(KOVREL_SHARED_DATA) +
                                                  "/istanbul-race-2019.xml")) {
      text += line.text;
    }
#endif
    if (text.size() < kLongestStart + kGrowthSpan) text = SyntheticStream(kLongestStart + kGrowthSpan);
    return text;
  }();
  return source;
}

// A NUL-terminated stream that can be cut anywhere within the source.
class GrowingStream {
 public:
  explicit GrowingStream(std::size_t start)
      : mBytes(StreamSource().begin(), StreamSource().end()), mStart(start) {
    mBytes.push_back('\0');
    CutAt(start);
  }
  const char* Text() const { return mBytes.data(); }
  std::size_t Length() const { return mLength; }
  // Grows by kGrowth; false when the span is used up (the stream is then back
  // at its start).
  bool Grow() {
    if (mLength + kGrowth > mStart + kGrowthSpan) {
      CutAt(mStart);
      return false;
    }
    CutAt(mLength + kGrowth);
    return true;
  }

 private:
  void CutAt(std::size_t length) {
    mBytes[mLength] = mSaved;
    mLength = length;
    mSaved = mBytes[length];
    mBytes[length] = '\0';
  }
  std::vector<char> mBytes;
  std::size_t mStart;
  std::size_t mLength = 0;
  char mSaved = StreamSource().empty() ? '\0' : StreamSource()[0];
};

double Nanoseconds(std::chrono::steady_clock::time_point from,
                   std::chrono::steady_clock::time_point to) {
  return std::chrono::duration<double, std::nano>(to - from).count();
}

// Each snapshot's scan beside a bare strlen of the same stream, in turns (the
// one second finds the stream in the cache; the order alternates), so that
// what the scan costs beyond reading the text's length shows.
void ScanGrowingStream(benchmark::State& state) {
  const std::size_t start = static_cast<std::size_t>(state.range(0)) * 1024;
  rF2kovrel plugin;
  SetUpPlugin(plugin, UnopenableFolder());
  plugin.mSessionTime = 1000.0;
  GrowingStream stream(start);
  Snapshot snapshot = RaceField(20, 1000.0, std::string());
  ScoringInfoV01 info = snapshot.Info();
  info.mResultsStream = const_cast<char*>(stream.Text());
  plugin.ScanIncidents(info);  // the first look takes the stream as seen
  std::size_t newBytes = 0;
  double scan = 0.0;
  double length = 0.0;
  bool scanFirst = false;
  for (auto _ : state) {
    if (!stream.Grow()) {
      // Wound back: the plug-in takes the shorter stream as seen, untimed.
      state.PauseTiming();
      plugin.ScanIncidents(info);
      stream.Grow();
      state.ResumeTiming();
    }
    scanFirst = !scanFirst;
    const auto t0 = std::chrono::steady_clock::now();
    if (scanFirst) plugin.ScanIncidents(info);
    const auto t1 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(std::strlen(stream.Text()));
    const auto t2 = std::chrono::steady_clock::now();
    if (!scanFirst) plugin.ScanIncidents(info);
    const auto t3 = std::chrono::steady_clock::now();
    scan += scanFirst ? Nanoseconds(t0, t1) : Nanoseconds(t2, t3);
    length += Nanoseconds(t1, t2);
    newBytes += plugin.mNewResults.size();
  }
  if (newBytes != state.iterations() * kGrowth) state.SkipWithError("the scan missed new text");
  const auto mean = benchmark::Counter::kAvgIterations;
  state.counters["scan_ns"] = benchmark::Counter(scan, mean);
  state.counters["strlen_ns"] = benchmark::Counter(length, mean);
}

// Each snapshot hands the next lines of a real stream, about kGrowth bytes of
// them, as the simulator does.
void ScanAdditions(benchmark::State& state) {
  // The additions are cut beforehand, so that the loop times the scan alone.
  const std::string& source = StreamSource();
  std::vector<std::string> additions;
  for (std::size_t at = 0; at < source.size();) {
    std::size_t end = source.find('\n', std::min(source.size(), at + kGrowth));
    end = end == std::string::npos ? source.size() : end + 1;
    additions.push_back(source.substr(at, end - at));
    at = end;
  }
  rF2kovrel plugin;
  SetUpPlugin(plugin, UnopenableFolder());
  plugin.mSessionTime = 1000.0;
  Snapshot snapshot = RaceField(20, 1000.0, std::string());
  ScoringInfoV01 info = snapshot.Info();
  info.mResultsStream = additions.back().data();
  plugin.ScanIncidents(info);  // the first look takes the text as seen
  std::size_t next = 0, newBytes = 0, handed = 0;
  for (auto _ : state) {
    std::string& addition = additions[next];
    next = next + 1 == additions.size() ? 0 : next + 1;
    info.mResultsStream = addition.data();
    plugin.ScanIncidents(info);
    newBytes += plugin.mNewResults.size();
    handed += addition.size();
  }
  // Two equal additions in a row are one handed twice: the second is not new.
  if (newBytes * 2 < handed) state.SkipWithError("the scan missed new text");
  state.counters["bytes_per_snapshot"] =
      benchmark::Counter(static_cast<double>(handed), benchmark::Counter::kAvgIterations);
}

// The copy of the whole stream on every snapshot, which the scan does without.
void CopyOfStream(benchmark::State& state) {
  const std::size_t start = static_cast<std::size_t>(state.range(0)) * 1024;
  GrowingStream stream(start);
  std::string copy;
  for (auto _ : state) {
    if (!stream.Grow()) stream.Grow();
    copy = stream.Text();
    benchmark::DoNotOptimize(copy.data());
  }
}

}  // namespace

BENCHMARK(ScanAdditions);
BENCHMARK(ScanGrowingStream)->ArgName("kb")->Arg(1)->Arg(100)->Arg(1024);
BENCHMARK(CopyOfStream)->ArgName("kb")->Arg(1)->Arg(100)->Arg(1024);
