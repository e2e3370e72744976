// The session type and game phase as the overlay documents name them.
#pragma once

// "race" from session 10, "qualifying" from 4, "practice" below.
const char* SessionTypeName(int session);

// "garage", "warmup", "formation", "green", "yellow", "stopped", "finished",
// or "unknown".
const char* GamePhaseName(int phase);
