#include "outputs/session_words.hpp"

const char* SessionTypeName(int session) {
  if (session >= 10) return "race";
  if (session >= 4) return "qualifying";
  return "practice";
}

const char* GamePhaseName(int phase) {
  switch (phase) {
    case 0: return "garage";
    case 1: case 2: return "warmup";
    case 3: return "formation";
    case 4: case 5: return "green";
    case 6: return "yellow";
    case 7: return "stopped";
    case 8: return "finished";
    default: return "unknown";
  }
}
