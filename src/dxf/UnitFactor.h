#pragma once

namespace figurant {

// Units codes: 0 none, 1 mm, 2 cm, 3 m, 4 inch, 5 hundred inches, 6 foot.
// Factor that converts a length in the source units into the target units; 1.0 when either
// code is 0 or 7 and above. Codes below 0 are not valid.
double UnitFactor(int source, int target);

} // namespace figurant
