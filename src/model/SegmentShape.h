#pragma once
// The surface of one segment as the figure holds it: the segment's polylines as read (the
// document's own, which the figure keeps alive), and what its twist changed. Points are in model
// coordinates, like the polylines'.
#include "UnderlayPolyLine.h"
#include "Vec3f.h"

#include <cstdint>
#include <vector>

namespace figurant {

// What a twist changes in a segment's surface (and what undo puts back).
struct TwistedSurface {
    // The surface is laid out twisted: each point is where the segment's vertex list has its
    // position now (points on the rest ring stay as read), and the normals below are turned with
    // the points; the segment is drawn so while this holds.
    bool laid = false;
    std::vector<Vec3f> normals;
    // Degrees of twist accumulated about the bone.
    float angle = 0.0f;
};

struct SegmentShape {
    // The segment's polylines in model order, in runs of polylines that lie side by side in the
    // document's storage and number their points on without a gap: a model read in segment order
    // has a few runs a segment, so the figure holds next to nothing per face. Point j of a run's
    // polylines, counted through them, is vertex firstId + j. Point k of the surface is the k-th
    // point met going through the polylines in order.
    struct LineRun {
        const CUnderlayPolyLine* first = nullptr;
        std::int32_t firstId = 0;
        std::uint32_t count = 0;
    };
    std::vector<LineRun> runs;
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

    // Calls f(polyline, its first point's vertex number, its first point's k) for every
    // polyline, in order.
    template <class F> void ForEachRestLine(F&& f) const {
        std::size_t k = 0;
        for (const LineRun& run : runs) {
            std::int32_t id = run.firstId;
            for (const CUnderlayPolyLine* line = run.first; line != run.first + run.count; ++line) {
                f(*line, id, k);
                id += line->GetSize();
                k += static_cast<std::size_t>(line->GetSize());
            }
        }
    }
    // Takes the segment's polylines and the vertex number of each one's first point (in step),
    // and counts the points.
    void SetLines(const std::vector<const CUnderlayPolyLine*>& lines,
                  const std::vector<std::int32_t>& firstIds);
    // Calls f(k, point, vertex number) for every rest point, in order.
    template <class F> void ForEachRestPoint(F&& f) const {
        ForEachRestLine([&f](const CUnderlayPolyLine& line, std::int32_t id, std::size_t k) {
            for (const Vec3f& p : line.Points())
                f(k++, p, id++);
        });
    }
};

} // namespace figurant
