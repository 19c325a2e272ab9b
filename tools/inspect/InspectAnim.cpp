#include "InspectAnim.h"

#include "AnimationFormat.h"
#include "InputFile.h"
#include "Json.h"

#include <array>
#include <cstdio>
#include <vector>

namespace figurant {

namespace {

struct KeyFrame {
    int rotX = 0, rotZ = 0;
    std::array<float, 16> scene{};
    std::vector<std::array<float, 16>> matrices;
};

// Reads numbers in the order playback reads them; a key frame or block cut short is kept with
// what was read, as playback would show it.
bool ReadAll(NumberReader& in, int n, int count, float* out) {
    for (int i = 0; i < n * count; ++i)
        if (!in.Read(out[i])) return false;
    return true;
}

void PrintFloats(const float* v, int n) {
    std::fputs("[", stdout);
    for (int i = 0; i < n; ++i)
        std::printf("%s%s", i ? ", " : "", json::Float(v[i]).c_str());
    std::fputs("]", stdout);
}

} // namespace

int InspectAnim(const std::string& path, int segments) {
    auto text = ReadInputFile(path);
    if (!text) {
        std::puts("null");
        return 1;
    }
    NumberReader in(std::move(*text));
    std::vector<KeyFrame> frames;
    std::vector<std::vector<std::array<float, 6>>> increments;
    for (;;) {
        KeyFrame k;
        k.matrices.resize(static_cast<std::size_t>(segments));
        const bool whole = in.Read(k.rotX) && in.Read(k.rotZ) && ReadAll(in, 16, 1, k.scene.data()) && [&] {
            for (auto& m : k.matrices)
                if (!ReadAll(in, 16, 1, m.data())) return false;
            return true;
        }();
        frames.push_back(k);
        if (!whole) break;
        std::vector<std::array<float, 6>> block(static_cast<std::size_t>(segments));
        bool complete = true;
        for (auto& b : block)
            complete = complete && ReadAll(in, 6, 1, b.data());
        if (!complete) break;
        increments.push_back(block);
    }
    std::fputs("{\"keyframes\": [", stdout);
    for (std::size_t f = 0; f < frames.size(); ++f) {
        std::printf("%s{\"scene_rot\": [%d, %d], \"scene_matrix\": ", f ? ", " : "", frames[f].rotX,
                    frames[f].rotZ);
        PrintFloats(frames[f].scene.data(), 16);
        std::fputs(", \"matrices\": [", stdout);
        for (std::size_t s = 0; s < frames[f].matrices.size(); ++s) {
            if (s) std::fputs(", ", stdout);
            PrintFloats(frames[f].matrices[s].data(), 16);
        }
        std::fputs("]}", stdout);
    }
    std::fputs("], \"increments\": [", stdout);
    for (std::size_t b = 0; b < increments.size(); ++b) {
        std::fputs(b ? ", [" : "[", stdout);
        for (std::size_t s = 0; s < increments[b].size(); ++s) {
            if (s) std::fputs(", ", stdout);
            PrintFloats(increments[b][s].data(), 6);
        }
        std::fputs("]", stdout);
    }
    std::fputs("]}\n", stdout);
    return 0;
}

} // namespace figurant
