// The keyboard seam: the state of a key by its Windows virtual-key code.
#pragma once

// True while the key is down.
bool IsVirtualKeyDown(int virtualKey);

// Presses or releases a key of the virtual keyboard that stands in for the
// real one where there is none (tests, the host simulator). The real
// keyboard cannot be pressed from here: on Windows this does nothing.
void SetVirtualKeyDown(int virtualKey, bool down);
