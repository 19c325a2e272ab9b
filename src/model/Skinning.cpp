#include "Skinning.h"

#include <cmath>

namespace figurant {

namespace {

// Affine rows as floats, for the per-vertex work.
struct Rows {
    float m[3][4];
    explicit Rows(const Affine& a) {
        const double t[3] = {a.t.x, a.t.y, a.t.z};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] = static_cast<float>(a.r[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]);
            m[i][3] = static_cast<float>(t[i]);
        }
    }
};

Vec3f Place(const float (&m)[3][4], const Vec3f& p) {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
}

Vec3f Turned(const float (&m)[3][4], const Vec3f& n) {
    return {m[0][0] * n.x + m[0][1] * n.y + m[0][2] * n.z, m[1][0] * n.x + m[1][1] * n.y + m[1][2] * n.z,
            m[2][0] * n.x + m[2][1] * n.y + m[2][2] * n.z};
}

Vec3f Unit(Vec3f v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return length > 0 ? Vec3f{v.x / length, v.y / length, v.z / length} : v;
}

// `out(v, position, normal)` takes each vertex's result.
template <typename Out>
void SkinLinear(const Character& c, const std::vector<Affine>& moves, const Affine& frame, Out&& out) {
    std::vector<Rows> skin;
    skin.reserve(c.binds.size());
    for (const CharacterBind& b : c.binds) {
        const CharacterJoint& joint = c.joints[static_cast<std::size_t>(b.joint)];
        skin.emplace_back(frame * moves[static_cast<std::size_t>(b.joint)] * joint.restWorld * b.toJoint);
    }
    const CharacterSurface& s = c.surface;
    for (std::size_t v = 0; v < s.positions.size(); ++v) {
        float m[3][4] = {};
        for (std::size_t k = 0; k < 4; ++k) {
            const int b = s.binds[v][k];
            if (b < 0) continue;
            const float w = s.weights[v][k];
            const Rows& r = skin[static_cast<std::size_t>(b)];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 4; ++j)
                    m[i][j] += w * r.m[i][j];
        }
        const Vec3f& p = s.positions[v];
        const Vec3f& n = s.normals[v];
        out(v, Place(m, p), Unit(Turned(m, n)));
    }
}

// A rigid move as a dual quaternion: the rotation, and half the translation times it.
struct DualQuaternion {
    std::array<float, 4> real{}, dual{};
};

DualQuaternion ToDual(const Affine& move) {
    const Quaternion q = RotationQuaternion(move);
    const double t[3] = {move.t.x, move.t.y, move.t.z};
    // dual = 0.5 * (t, 0) * q
    const double d[4] = {
        0.5 * (t[0] * q[3] + t[1] * q[2] - t[2] * q[1]), 0.5 * (-t[0] * q[2] + t[1] * q[3] + t[2] * q[0]),
        0.5 * (t[0] * q[1] - t[1] * q[0] + t[2] * q[3]), -0.5 * (t[0] * q[0] + t[1] * q[1] + t[2] * q[2])};
    DualQuaternion out;
    for (std::size_t i = 0; i < 4; ++i) {
        out.real[i] = static_cast<float>(q[i]);
        out.dual[i] = static_cast<float>(d[i]);
    }
    return out;
}

Vec3f Cross(const float a[3], const Vec3f& b) {
    return {a[1] * b.z - a[2] * b.y, a[2] * b.x - a[0] * b.z, a[0] * b.y - a[1] * b.x};
}

// v turned by the unit quaternion (x, y, z, w): v + 2w (q x v) + 2 q x (q x v).
Vec3f Turn(const std::array<float, 4>& q, const Vec3f& v) {
    const float u[3] = {q[0], q[1], q[2]};
    const Vec3f c = Cross(u, v);
    const float c2[3] = {c.x, c.y, c.z};
    const Vec3f cc = Cross(u, Vec3f{c2[0], c2[1], c2[2]});
    return {v.x + 2 * (q[3] * c.x + cc.x), v.y + 2 * (q[3] * c.y + cc.y), v.z + 2 * (q[3] * c.z + cc.z)};
}

template <typename Out>
void SkinDual(const Character& c, const std::vector<Affine>& moves, const Affine& frame, Out&& out) {
    std::vector<DualQuaternion> dual;
    dual.reserve(c.binds.size());
    for (const CharacterBind& b : c.binds)
        dual.push_back(ToDual(moves[static_cast<std::size_t>(b.joint)]));
    const Rows place(frame);
    const CharacterSurface& s = c.surface;
    const std::vector<Vec3f>& rest = s.Rest();
    for (std::size_t v = 0; v < s.positions.size(); ++v) {
        DualQuaternion sum;
        const std::array<float, 4>* pivot = nullptr;
        for (std::size_t k = 0; k < 4; ++k) {
            const int b = s.binds[v][k];
            if (b < 0) continue;
            const DualQuaternion& d = dual[static_cast<std::size_t>(b)];
            if (!pivot) pivot = &d.real;
            // Quaternions q and -q are one turn: each is taken on the first one's side.
            const float dot = d.real[0] * (*pivot)[0] + d.real[1] * (*pivot)[1] + d.real[2] * (*pivot)[2] +
                              d.real[3] * (*pivot)[3];
            const float w = dot < 0 ? -s.weights[v][k] : s.weights[v][k];
            for (std::size_t i = 0; i < 4; ++i) {
                sum.real[i] += w * d.real[i];
                sum.dual[i] += w * d.dual[i];
            }
        }
        const auto& r = sum.real;
        const float length = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2] + r[3] * r[3]);
        if (length <= 0) {
            out(v, rest[v], s.normals[v]);
            continue;
        }
        std::array<float, 4> q, e;
        for (std::size_t i = 0; i < 4; ++i) {
            q[i] = sum.real[i] / length;
            e[i] = sum.dual[i] / length;
        }
        // translation = 2 * dual * conjugate(real), its vector part
        const Vec3f t{2 * (-e[3] * q[0] + e[0] * q[3] - e[1] * q[2] + e[2] * q[1]),
                      2 * (-e[3] * q[1] + e[1] * q[3] - e[2] * q[0] + e[0] * q[2]),
                      2 * (-e[3] * q[2] + e[2] * q[3] - e[0] * q[1] + e[1] * q[0])};
        const Vec3f turned = Turn(q, rest[v]);
        const Vec3f p{turned.x + t.x, turned.y + t.y, turned.z + t.z};
        const Vec3f n = Turn(q, s.normals[v]);
        const auto& m = place.m;
        out(v, Place(m, p), Unit(Turned(m, n)));
    }
}

} // namespace

std::vector<Affine> JointWorlds(const Character& character, const std::vector<Quaternion>& turns) {
    std::vector<Affine> worlds;
    worlds.reserve(character.joints.size());
    for (std::size_t j = 0; j < character.joints.size(); ++j) {
        const CharacterJoint& joint = character.joints[j];
        Affine local = joint.restLocal;
        if (j < turns.size()) {
            // rest = T R S: the turn goes between the rotation and the scale.
            const Point3d& s = joint.scale;
            Affine scale, unscale;
            scale.r = {{{s.x, 0, 0}, {0, s.y, 0}, {0, 0, s.z}}};
            unscale = scale.Inverse();
            local = local * unscale * QuaternionRotation(turns[j]) * scale;
        }
        worlds.push_back(joint.parent >= 0 ? worlds[static_cast<std::size_t>(joint.parent)] * local : local);
    }
    return worlds;
}

std::vector<Affine> JointMoves(const Character& character, const std::vector<Affine>& worlds) {
    std::vector<Affine> moves;
    moves.reserve(worlds.size());
    for (std::size_t j = 0; j < worlds.size(); ++j)
        moves.push_back(worlds[j] * character.joints[j].restWorld.Inverse());
    return moves;
}

void SkinSurface(const Character& character, const std::vector<Affine>& moves, SkinMethod method,
                 const Affine& frame, std::vector<Vec3f>& positions, std::vector<Vec3f>& normals) {
    const std::size_t n = character.surface.positions.size();
    positions.resize(n);
    normals.resize(n);
    auto out = [&](std::size_t v, const Vec3f& p, const Vec3f& normal) {
        positions[v] = p;
        normals[v] = normal;
    };
    if (method == SkinMethod::Linear)
        SkinLinear(character, moves, frame, out);
    else
        SkinDual(character, moves, frame, out);
}

void SkinSurface(const Character& character, const std::vector<Affine>& moves, SkinMethod method,
                 const Affine& frame, std::vector<float>& interleaved) {
    interleaved.resize(6 * character.surface.positions.size());
    auto out = [&](std::size_t v, const Vec3f& p, const Vec3f& n) {
        float* at = &interleaved[6 * v];
        at[0] = p.x, at[1] = p.y, at[2] = p.z, at[3] = n.x, at[4] = n.y, at[5] = n.z;
    };
    if (method == SkinMethod::Linear)
        SkinLinear(character, moves, frame, out);
    else
        SkinDual(character, moves, frame, out);
}

} // namespace figurant
