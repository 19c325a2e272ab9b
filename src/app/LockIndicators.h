#pragma once
// The keyboard's lock lights as the X server keeps them.
#include <array>
#include <optional>

namespace figurant {

// Caps Lock, Num Lock and Scroll Lock, in that order; nothing where they cannot be read (not on
// X11, or the server does not name them).
std::optional<std::array<bool, 3>> ReadLockIndicators();

} // namespace figurant
