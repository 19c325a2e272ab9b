#include "KeyFrameSet.h"

#include "AnimationFormat.h"
#include "AnimationPlayer.h"
#include "ExportMath.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

constexpr int kSteps = 10;

bool ReadMatrix(NumberReader& in, Matrix4& m) {
    for (float& v : m.m)
        if (!in.Read(v)) return false;
    return true;
}

bool ReadKey(NumberReader& in, int n, KeyFrame& key) {
    if (!in.Read(key.sceneRotX) || !in.Read(key.sceneRotZ) || !ReadMatrix(in, key.sceneMatrix)) return false;
    key.matrices.resize(static_cast<std::size_t>(n));
    for (Matrix4& m : key.matrices)
        if (!ReadMatrix(in, m)) return false;
    return true;
}

// The rotation D^(1/10) of a rotation D: the same axis, a tenth of the angle.
Affine TenthOf(const Affine& d) {
    const auto q = RotationQuaternion(d); // x, y, z, w with w >= 0
    const double half = std::acos(std::min(1.0, q[3])), s = std::sin(half);
    Affine r;
    if (s < 1e-12) return r;
    const double x = q[0] / s, y = q[1] / s, z = q[2] / s, a = 2 * half / kSteps;
    const double c = std::cos(a), sn = std::sin(a), t = 1 - c;
    r.r = {{{t * x * x + c, t * x * y - sn * z, t * x * z + sn * y},
            {t * x * y + sn * z, t * y * y + c, t * y * z - sn * x},
            {t * x * z - sn * y, t * y * z + sn * x, t * z * z + c}}};
    return r;
}

// Where the player's ten steps with these increments take a matrix.
Matrix4 Played(Matrix4 M, const std::array<float, 6>& inc, const std::optional<Point3d>& centre) {
    for (int step = 0; step < kSteps; ++step)
        StepMatrix(M, {inc[0], inc[1], inc[2]}, {inc[3], inc[4], inc[5]}, centre);
    return M;
}

// One segment's increments: the turn as a tenth of the turn between the two matrices, split into
// the player's x, y, z turns; then the moves that bring the translation to the second matrix's
// (the translation the steps give is linear in the moves: found by playing three unit moves).
std::array<float, 6> SegmentIncrements(const Matrix4& a, const Matrix4& b,
                                       const std::optional<Point3d>& centre) {
    std::array<float, 6> inc{};
    const Affine A = Affine::FromMatrix(a), B = Affine::FromMatrix(b);
    if (centre) {
        Affine rest = A.RotationOnly().Inverse() * B.RotationOnly();
        const Affine P = TenthOf(rest);
        // P = Rx(u) Ry(v) Rz(w), right-handed; the player's turn by an increment runs the other way.
        const double v = std::asin(std::clamp(P.r[0][2], -1.0, 1.0));
        const double u = std::atan2(-P.r[1][2], P.r[2][2]), w = std::atan2(-P.r[0][1], P.r[0][0]);
        const double toIncrement = -kSteps * 180 / kPi;
        inc[0] = static_cast<float>(u * toIncrement);
        inc[1] = static_cast<float>(v * toIncrement);
        inc[2] = static_cast<float>(w * toIncrement);
    }
    const Point3d start = Affine::FromMatrix(Played(a, inc, centre)).t;
    Affine columns;
    for (int k = 0; k < 3; ++k) {
        auto unit = inc;
        unit[static_cast<std::size_t>(3 + k)] = 1;
        const Point3d moved = Affine::FromMatrix(Played(a, unit, centre)).t - start;
        for (std::size_t r = 0; r < 3; ++r)
            columns.r[r][static_cast<std::size_t>(k)] = r == 0 ? moved.x : r == 1 ? moved.y : moved.z;
    }
    const Point3d d = columns.Inverse()(B.t - start);
    inc[3] = static_cast<float>(d.x);
    inc[4] = static_cast<float>(d.y);
    inc[5] = static_cast<float>(d.z);
    return inc;
}

void Relink(KeyFrameSet& set, std::size_t at, const Figure& figure) {
    if (at >= set.keys.size()) return;
    if (at == 0) {
        set.keys[0].increments.clear();
        return;
    }
    set.keys[at].increments = IncrementsBetween(set.keys[at - 1], set.keys[at], figure);
}

} // namespace

std::optional<KeyFrameSet> ParseKeyFrames(const std::string& text, int nSegments, std::string* error) {
    if (const auto line = TornLine(text, nSegments)) {
        if (error) *error = "it does not end with a whole key frame (line " + std::to_string(*line) + ")";
        return std::nullopt;
    }
    NumberReader in(text);
    KeyFrameSet set;
    set.nSegments = nSegments;
    for (;;) {
        KeyFrame key;
        if (!set.keys.empty()) {
            key.increments.resize(static_cast<std::size_t>(nSegments));
            bool read = true;
            for (auto& inc : key.increments)
                for (float& v : inc)
                    read = read && in.Read(v);
            if (!read) break; // the clean end of the file
        }
        if (!ReadKey(in, nSegments, key)) break;
        set.keys.push_back(std::move(key));
    }
    if (set.keys.empty()) {
        if (error) *error = "the file holds no key frame";
        return std::nullopt;
    }
    return set;
}

std::string FormatKeyFrames(const KeyFrameSet& set) {
    std::string out;
    for (const KeyFrame& key : set.keys) {
        for (const auto& inc : key.increments) {
            AppendLine(out, inc.data(), 3);
            AppendLine(out, inc.data() + 3, 3);
        }
        out += "\n" + std::to_string(key.sceneRotX) + " " + std::to_string(key.sceneRotZ) + "\n";
        AppendLine(out, key.sceneMatrix.m.data(), 16);
        for (const Matrix4& m : key.matrices)
            AppendLine(out, m.m.data(), 16);
    }
    return out;
}

std::vector<std::array<float, 6>> IncrementsBetween(const KeyFrame& from, const KeyFrame& to,
                                                    const Figure& figure) {
    std::vector<std::array<float, 6>> out;
    for (std::size_t s = 0; s < to.matrices.size() && s < from.matrices.size(); ++s) {
        const int segment = static_cast<int>(s);
        const std::optional<Point3d> centre =
            segment < figure.SegmentCount() ? figure.Pose(segment).m_pJointCentre : std::nullopt;
        out.push_back(SegmentIncrements(from.matrices[s], to.matrices[s], centre));
    }
    return out;
}

void InsertKeyFrame(KeyFrameSet& set, std::size_t at, KeyFrame key, const Figure& figure) {
    at = std::min(at, set.keys.size());
    set.keys.insert(set.keys.begin() + static_cast<std::ptrdiff_t>(at), std::move(key));
    Relink(set, at, figure);
    Relink(set, at + 1, figure);
}

void ReplaceKeyFrame(KeyFrameSet& set, std::size_t at, KeyFrame key, const Figure& figure) {
    if (at >= set.keys.size()) return;
    set.keys[at] = std::move(key);
    Relink(set, at, figure);
    Relink(set, at + 1, figure);
}

void DeleteKeyFrame(KeyFrameSet& set, std::size_t at, const Figure& figure) {
    if (at >= set.keys.size()) return;
    set.keys.erase(set.keys.begin() + static_cast<std::ptrdiff_t>(at));
    Relink(set, at, figure);
}

KeyFrame CurrentKeyFrame(const Figure& figure, int sceneRotX, int sceneRotZ, const Matrix4& sceneMatrix) {
    KeyFrame key{sceneRotX, sceneRotZ, sceneMatrix, {}, {}};
    for (int s = 0; s < figure.SegmentCount() && s < kMaxSegments; ++s)
        key.matrices.push_back(figure.Pose(s).m_matrix);
    return key;
}

} // namespace figurant
