#include "sessions/session.hpp"

namespace ksim {

const char* SessionKindName(SessionKind kind) {
  switch (kind) {
    case SessionKind::Practice: return "practice";
    case SessionKind::Qualifying: return "qualifying";
    case SessionKind::Race: return "race";
  }
  return "session";
}

SessionKind KindOfSessionNumber(int session) {
  if (session <= 4) return SessionKind::Practice;
  if (session <= 9) return SessionKind::Qualifying;
  return SessionKind::Race;
}

}  // namespace ksim
