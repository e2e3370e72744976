#include "director/keyboard.hpp"

#include <windows.h>

bool IsVirtualKeyDown(int virtualKey) {
  // The most significant bit of the state says the key is down now.
  return (static_cast<unsigned short>(GetAsyncKeyState(virtualKey)) & 0x8000u) != 0;
}

void SetVirtualKeyDown(int /*virtualKey*/, bool /*down*/) {}
