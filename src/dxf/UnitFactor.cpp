#include "UnitFactor.h"

namespace figurant {

double UnitFactor(int source, int target) {
    // Lengths of the units in millimetres, index = units code.
    static const double kMillimetres[7] = {0.0, 1.0, 10.0, 1000.0, 25.4, 2540.0, 304.8};
    if (source <= 0 || target <= 0 || source >= 7 || target >= 7) return 1.0;
    return kMillimetres[source] / kMillimetres[target];
}

} // namespace figurant
