#pragma once
// The surface of one segment as the figure holds it: the polylines' structure and points as read,
// and the points as twists have moved them. Points are in model coordinates, like the polylines'.
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
    std::vector<std::int32_t> lineSizes; // points per polyline, in model order
    std::vector<bool> lineIsFace;        // a closed face, or an open line strip
    std::vector<Vec3f> restPoints;       // every polyline's points in order, as read
    std::vector<int> normalIds;          // global vertex numbers, in step with the points
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

    const std::vector<Vec3f>& Points() const { return twisted.points.empty() ? restPoints : twisted.points; }
};

} // namespace figurant
