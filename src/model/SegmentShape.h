#pragma once
// The surface of one segment as the figure holds it: the segment's polylines as read (the
// document's own, which the figure keeps alive), and the points as twists have moved them. Points
// are in model coordinates, like the polylines'.
#include "UnderlayPolyLine.h"
#include "Vec3f.h"

#include <cstdint>
#include <vector>

namespace figurant {

// What a twist changes in a segment's surface (and what undo puts back).
struct TwistedSurface {
    // Twisted points in model coordinates; empty while the segment has never been twisted.
    std::vector<Vec3f> points;
    // The points in view coordinates as the last twist computed them, and their normals turned
    // with them; the segment is drawn from these while they are not empty.
    std::vector<Vec3f> shown;
    std::vector<Vec3f> normals;
    // Degrees of twist accumulated about the bone.
    float angle = 0.0f;
};

struct SegmentShape {
    // The segment's polylines in model order, and the global vertex number of each one's first
    // point (point j of polyline i is vertex firstIds[i] + j). Point k of the surface is the k-th
    // point met going through the polylines in order.
    std::vector<const CUnderlayPolyLine*> lines;
    std::vector<std::int32_t> firstIds;
    std::size_t pointCount = 0;
    TwistedSurface twisted;
    // Worked out by the first twist from the rest points and kept, since no twist changes them:
    // which points lie on the rest ring (they stay where they are), and the position each point
    // is at, numbered in order of first use as the segment's vertex list holds them (points at one
    // position turn alike).
    std::vector<char> onRestRing;
    std::vector<int> positionOf;
    std::size_t positionCount = 0;
    // Changes whenever the points change, so a drawing cache can tell it is stale.
    std::uint64_t revision = 0;

    // Calls f(k, point, vertex number) for every rest point, in order.
    template <class F> void ForEachRestPoint(F&& f) const {
        std::size_t k = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::int32_t id = firstIds[i];
            for (const Vec3f& p : lines[i]->Points())
                f(k++, p, id++);
        }
    }
    // The points as they are now: twisted, or at rest.
    std::vector<Vec3f> Points() const {
        if (!twisted.points.empty()) return twisted.points;
        std::vector<Vec3f> rest;
        rest.reserve(pointCount);
        ForEachRestPoint([&rest](std::size_t, const Vec3f& p, std::int32_t) { rest.push_back(p); });
        return rest;
    }
};

} // namespace figurant
