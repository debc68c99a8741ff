// Whether Caps Lock, Num Lock and Scroll Lock are on, read from the X server's
// keyboard indicators; all off where the platform has no X11 display.
#pragma once

namespace q4t {

struct LockKeys {
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

LockKeys readLockKeys();

}  // namespace q4t
