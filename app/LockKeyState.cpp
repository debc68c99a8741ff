#include "app/LockKeyState.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace q4t {

namespace {
bool indicatorOn(Display* display, const char* name) {
  const Atom atom = XInternAtom(display, name, True);
  Bool on = False;
  if (atom == None) return false;
  return XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) && on;
}
}  // namespace

LockKeys readLockKeys() {
  const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return {};
  return {indicatorOn(display, "Caps Lock"), indicatorOn(display, "Num Lock"),
          indicatorOn(display, "Scroll Lock")};
}

}  // namespace q4t
