// What the live director and the automatic thresholds keep of each contact
// report: its strength for the session's scale, and who reported it when.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "plugin/rF2kovrel.hpp"

namespace {

// Until this many contacts are in, the file's thresholds hold.
constexpr std::size_t kContactsForScale = 5;
// The strongest tenth of the session's contacts are replayed; a candidate
// must be stronger than half of them.
constexpr double kHighShare = 0.9;
constexpr double kLowShare = 0.5;
// Reports older than this are of no use to the scene detection nor to the
// check whether a contact cost its car its pace.
constexpr double kReportMemorySeconds = 8.0;

// The strength below which `share` of the sorted strengths lie.
double StrengthAtShare(std::vector<double>& strengths, double share) {
  const auto rank = static_cast<std::size_t>(std::floor(share * static_cast<double>(strengths.size() - 1)));
  std::nth_element(strengths.begin(), strengths.begin() + static_cast<std::ptrdiff_t>(rank), strengths.end());
  return strengths[rank];
}

}  // namespace

void rF2kovrel::NoteContactReport(std::int32_t id, double strength) {
  if (!std::isfinite(strength)) return;
  if (autoinc != 0) mContactStrengths.push_back(strength);
  if (livedirector == 0) return;
  const double now = mSessionTime;
  mRecentReports.erase(std::remove_if(mRecentReports.begin(), mRecentReports.end(),
                                      [now](const ContactReport& r) { return now - r.time > kReportMemorySeconds; }),
                       mRecentReports.end());
  mRecentReports.push_back({now, id, strength, false});
}

// Derived afresh from everything the session has reported so far, so the same
// file serves builds that report 0-1 and builds that report thousands.
void rF2kovrel::DeriveContactThresholds() {
  if (mContactStrengths.size() < kContactsForScale) return;
  std::vector<double> strengths = mContactStrengths;
  highinc = StrengthAtShare(strengths, kHighShare);
  lowinc = StrengthAtShare(strengths, kLowShare);
}
