#include "Mesh.h"

#include "SurfaceNormals.h"

#include <algorithm>
#include <map>
#include <queue>
#include <utility>

namespace mannequin {

namespace {
constexpr double kTwoPi = 6.28318530717958647692;
}

int Mesh::AddVertex(V3 p) {
    m_pos.push_back(p);
    return static_cast<int>(m_pos.size()) - 1;
}

Loop Mesh::Ring(V3 c, V3 e1, V3 e2, double a, double b, int n) {
    Loop ring;
    for (int i = 0; i < n; ++i) {
        const double t = kTwoPi * i / n;
        ring.push_back(AddVertex(c + (a * std::cos(t)) * e1 + (b * std::sin(t)) * e2));
    }
    return ring;
}

void Mesh::Loft(const Loop& a, const Loop& b, int segment) {
    const std::size_t n = a.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        Quad(a[i], a[j], b[j], b[i], segment);
    }
}

void Mesh::Zipper(const Loop& a, const std::vector<double>& ta, const Loop& b, const std::vector<double>& tb,
                  int segment) {
    std::size_t i = 0, j = 0;
    const std::size_t n = a.size(), m = b.size();
    auto at = [](const std::vector<double>& t, std::size_t k) {
        return k < t.size() ? t[k] : t[k - t.size()] + 1;
    };
    while (i < n || j < m) {
        const bool advanceA = j >= m || (i < n && at(ta, i + 1) <= at(tb, j + 1));
        if (advanceA) {
            m_faces.push_back({{a[i % n], a[(i + 1) % n], b[j % m], b[j % m]}, 3, segment});
            ++i;
        } else {
            m_faces.push_back({{a[i % n], b[(j + 1) % m], b[j % m], b[j % m]}, 3, segment});
            ++j;
        }
    }
}

void Mesh::Cap(const Loop& ring, int pole, int segment) {
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i)
        m_faces.push_back({{ring[i], ring[(i + 1) % n], pole, pole}, 3, segment});
}

bool Mesh::Orient() {
    // Directed edge -> face; a consistently wound closed surface uses each directed edge once.
    std::map<std::pair<int, int>, std::vector<int>> edgeFaces;
    for (std::size_t f = 0; f < m_faces.size(); ++f) {
        const Face& face = m_faces[f];
        for (int k = 0; k < face.corners; ++k) {
            const int a = face.v[k], b = face.v[(k + 1) % face.corners];
            edgeFaces[{std::min(a, b), std::max(a, b)}].push_back(static_cast<int>(f));
        }
    }
    for (const auto& [edge, faces] : edgeFaces)
        if (faces.size() != 2) return false;
    auto hasDirected = [&](const Face& face, int a, int b) {
        for (int k = 0; k < face.corners; ++k)
            if (face.v[k] == a && face.v[(k + 1) % face.corners] == b) return true;
        return false;
    };
    auto flip = [](Face& face) { std::reverse(face.v, face.v + face.corners); };
    std::vector<char> done(m_faces.size(), 0);
    for (std::size_t seed = 0; seed < m_faces.size(); ++seed) {
        if (done[seed]) continue;
        std::queue<int> queue;
        queue.push(static_cast<int>(seed));
        done[seed] = 1;
        while (!queue.empty()) {
            const Face& face = m_faces[static_cast<std::size_t>(queue.front())];
            const int f = queue.front();
            queue.pop();
            for (int k = 0; k < face.corners; ++k) {
                const int a = face.v[k], b = face.v[(k + 1) % face.corners];
                for (int g : edgeFaces[{std::min(a, b), std::max(a, b)}]) {
                    if (g == f || done[static_cast<std::size_t>(g)]) continue;
                    Face& other = m_faces[static_cast<std::size_t>(g)];
                    if (hasDirected(other, a, b)) flip(other);
                    done[static_cast<std::size_t>(g)] = 1;
                    queue.push(g);
                }
            }
        }
    }
    double volume = 0;
    for (const Face& face : m_faces)
        for (int k = 1; k + 1 < face.corners; ++k)
            volume += Dot(m_pos[static_cast<std::size_t>(face.v[0])],
                          Cross(m_pos[static_cast<std::size_t>(face.v[k])],
                                m_pos[static_cast<std::size_t>(face.v[k + 1])]));
    if (volume < 0)
        for (Face& face : m_faces)
            flip(face);
    return true;
}

std::vector<V3> Mesh::VertexNormals() const {
    std::vector<figurant::Point3d> positions;
    for (const V3& p : m_pos)
        positions.push_back({p.x, p.y, p.z});
    std::vector<std::vector<int>> faces;
    for (const Face& face : m_faces)
        faces.emplace_back(face.v, face.v + face.corners);
    std::vector<V3> normals;
    for (const figurant::Point3d& n : figurant::AreaWeightedNormals(positions, faces))
        normals.push_back({n.x, n.y, n.z});
    return normals;
}

} // namespace mannequin
