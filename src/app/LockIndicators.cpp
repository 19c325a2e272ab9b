#include "LockIndicators.h"

#include <QGuiApplication>
#include <X11/XKBlib.h>

namespace figurant {

std::optional<std::array<bool, 3>> ReadLockIndicators() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return std::nullopt;
    static const char* const kNames[] = {"Caps Lock", "Num Lock", "Scroll Lock"};
    std::array<bool, 3> on{};
    for (std::size_t i = 0; i < on.size(); ++i) {
        const Atom name = XInternAtom(display, kNames[i], True);
        Bool state = False;
        if (name == None || !XkbGetNamedIndicator(display, name, nullptr, &state, nullptr, nullptr))
            return std::nullopt;
        on[i] = state == True;
    }
    return on;
}

} // namespace figurant
