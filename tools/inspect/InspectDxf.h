#pragma once
#include <string>

namespace figurant {
class CUnderlayList;

// Prints the result of reading a DXF file as one JSON object; 1 when the file cannot be opened.
int InspectDxf(const std::string& path, bool summary);
// The polylines of a list as a JSON array.
void PrintPolylines(const CUnderlayList& list);
void PrintBounds(const CUnderlayList& list);
} // namespace figurant
