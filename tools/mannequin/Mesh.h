#pragma once
// Indexed surface mesh of the generator: shared vertices, faces of three or four corners, each
// face tagged with its body segment. Rings, lofts and caps build it; Orient makes every face
// wind counter-clockwise seen from outside.
#include "Vec.h"

#include <vector>

namespace mannequin {

struct Face {
    int v[4];
    int corners; // 3 or 4
    int segment;
};

using Loop = std::vector<int>;

class Mesh {
  public:
    int AddVertex(V3 p);
    // Ring of n vertices c + a cos(t) e1 + b sin(t) e2, t = 2 pi i / n.
    Loop Ring(V3 c, V3 e1, V3 e2, double a, double b, int n);
    // Quads between two loops of equal length.
    void Loft(const Loop& a, const Loop& b, int segment);
    // Triangles between two closed loops of different lengths, merged by their parameters
    // (increasing, in [0, 1), both measured from the same direction).
    void Zipper(const Loop& a, const std::vector<double>& ta, const Loop& b, const std::vector<double>& tb,
                int segment);
    // Triangle fan closing a loop at a pole vertex.
    void Cap(const Loop& ring, int pole, int segment);
    void Quad(int a, int b, int c, int d, int segment) { m_faces.push_back({{a, b, c, d}, 4, segment}); }

    // Makes neighbouring faces agree and the enclosed volume positive. False when the surface is
    // not closed and manifold.
    bool Orient();
    // Area-weighted vertex normals, unit length.
    std::vector<V3> VertexNormals() const;

    std::vector<V3>& Positions() { return m_pos; }
    const std::vector<V3>& Positions() const { return m_pos; }
    const std::vector<Face>& Faces() const { return m_faces; }

  private:
    std::vector<V3> m_pos;
    std::vector<Face> m_faces;
};

} // namespace mannequin
