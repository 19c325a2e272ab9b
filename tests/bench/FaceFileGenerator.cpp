#include "FaceFileGenerator.h"

#include <cstdio>
#include <filesystem>
#include <random>

namespace figurant::bench {

std::string EnsureFaceFile(const std::string& path, long faces) {
    if (std::filesystem::exists(path)) return path;
    const std::string partial = path + ".part";
    std::FILE* f = std::fopen(partial.c_str(), "wb");
    if (!f) return path;
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> coord(-1.0, 1.0);
    std::fputs("0\nSECTION\n2\nENTITIES\n", f);
    for (long i = 0; i < faces; ++i) {
        std::fprintf(f, "0\n3DFACE\n8\nBODY\n62\n%ld\n", 1 + i % 19);
        for (int k = 0; k < 4; ++k)
            for (int a = 0; a < 3; ++a) {
                const double v = coord(rng);
                // Six significant digits; every 97th value in exponent form.
                if ((i + k + a) % 97 == 0)
                    std::fprintf(f, "%d\n%.5e\n", 10 * (a + 1) + k, v * 1e-3);
                else
                    std::fprintf(f, "%d\n%.6g\n", 10 * (a + 1) + k, v);
            }
    }
    std::fputs("0\nENDSEC\n0\nEOF\n", f);
    std::fclose(f);
    std::filesystem::rename(partial, path);
    return path;
}

} // namespace figurant::bench
