#pragma once
// The --report of figurant-convert: the bone-to-segment mapping, faces per segment and the ring
// size of every joint, as JSON.
#include "FigureImport.h"

#include <cstdio>

namespace figurant {

void PrintConvertReport(const ImportScene& scene, const ConvertedFigure& figure, std::FILE* out);

} // namespace figurant
