#pragma once
// Minimal JSON writing for the inspect tool: numbers with round-trip precision in the "C" format.
#include <cstdio>
#include <string>

#include "Vec3f.h"

namespace figurant::json {

// 32-bit floats with 9 significant digits, doubles with 17; -0 stays -0; non-finite values
// become the strings "inf", "-inf" and "nan".
std::string Float(float v);
std::string Double(double v);
// A JSON string; bytes that are no UTF-8 (a bone name in another encoding) become U+FFFD.
std::string Text(const std::string& s);
// A point as "[x, y, z]".
std::string Point(const Vec3f& v);

// Writes items separated by ", ".
class ListWriter {
  public:
    explicit ListWriter(std::FILE* out) : m_out(out) {}
    void Next() {
        if (m_count++) std::fputs(", ", m_out);
    }

  private:
    std::FILE* m_out;
    int m_count = 0;
};

} // namespace figurant::json
