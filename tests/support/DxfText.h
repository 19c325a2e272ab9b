#pragma once
// Builds DXF text from (code, value) groups, one line each.
#include <string>
#include <utility>
#include <vector>

namespace figurant::test {

using Groups = std::vector<std::pair<std::string, std::string>>;

inline std::string Dxf(const Groups& groups, const std::string& eol = "\n") {
    std::string s;
    for (const auto& [code, value] : groups)
        s += code + eol + value + eol;
    return s;
}

// A 3DFACE of the usual layout with colour `colour` and corners p0..p3 given as 12 numbers.
inline Groups Face(int colour, const std::vector<std::string>& c) {
    Groups g{{"0", "3DFACE"}, {"8", "BODY"}, {"62", std::to_string(colour)}};
    for (int k = 0; k < 4; ++k)
        for (int a = 0; a < 3; ++a)
            g.push_back({std::to_string(10 * (a + 1) + k), c[static_cast<size_t>(3 * k + a)]});
    return g;
}

inline Groups operator+(Groups a, const Groups& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace figurant::test
