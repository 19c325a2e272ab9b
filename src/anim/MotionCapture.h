#pragma once
// Motion capture carried onto the figure: each of the figure's sixteen segments follows the bone
// of the file that the bone-name table gives it, so that every limb takes the same direction in the
// world as in the capture, whatever the two skeletons' rest poses (a T-pose capture on an A-pose
// figure raises the arms to the capture's, not by its angles). The travel of the capture's root is
// scaled by the ratio of the two skeletons' leg lengths; bones the figure lacks are left out (their
// turns still carry the bones below them), segments the file lacks stay at rest on their parents.
#include "BvhReader.h"
#include "PoseFrames.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace figurant {

// A capture carried onto one figure. Only the file's values are kept: each frame is posed when it
// is asked for, so a long capture takes the memory of its numbers, not of its poses.
class RetargetedMotion {
  public:
    double framesPerSecond = 30;
    std::vector<std::string> missing; // the figure's segments no bone of the file moves
    std::vector<std::string> leftOut; // bones of the file the figure has no segment for
    std::string problem;              // the file's own fault, when its first frames could be read

    int FrameCount() const { return m_motion.frames; }
    // The frame as the capture has it, then, with feet planted, each leg solved so that a foot the
    // capture keeps still stays still, and no ankle goes below its height at rest.
    PoseFrame Frame(int frame) const;
    std::vector<PoseFrame> AllFrames() const;
    // How far the figure goes from where it starts, at most; whether that is more than its height.
    double FarthestTravel() const;
    bool Travels() const { return FarthestTravel() > m_plan.bodyHeight; }

    // Where a foot is held in each frame: how much (0 free, 1 held) and where its ankle is held.
    struct Footing {
        std::vector<float> hold;
        std::vector<Point3d> at;
    };

    // How the capture's bones drive the figure, worked out once by RetargetMotion.
    struct Plan {
        static constexpr std::size_t kSegments = 16;
        std::array<int, kSegments> bone{};                     // the file's bone each segment follows, or -1
        std::array<Affine, kSegments> alignment{};             // the figure's bone frame onto the capture's
        std::array<std::optional<Point3d>, kSegments> joint{}; // the figure's joints at rest
        Affine toFigure;                                       // the capture's axes to the figure's
        double travelScale = 0;                                // figure legs over capture legs
        double legLength = 0;                                  // the figure's, hip to ankle
        Point3d start{};                                       // the root's place in the first frame
        PoseFrame base;                                        // segments outside the tree keep these
        Point3d forward;                                       // the figure's front, where knees bend
        double bodyHeight = 0;                                 // the figure standing at rest
        bool plantFeet = true;
        std::array<Footing, 2> feet; // right, left
    };
    RetargetedMotion(BvhMotion motion, Plan plan) : m_motion(std::move(motion)), m_plan(std::move(plan)) {}

    // Works out where the feet are held (RetargetMotion does, once the plan is made).
    void PlantFeet();

  private:
    PoseFrame CaptureFrame(int frame) const;
    void SolveLegs(int frame, PoseFrame& pose) const;

    BvhMotion m_motion;
    Plan m_plan;
};

// Whether the path names a motion-capture file (.bvh) rather than the program's own animation.
bool IsMotionCaptureFile(const std::string& path);

// With `plantFeet` false, the feet go where the capture's joint turns put them.
std::optional<RetargetedMotion> RetargetMotion(BvhMotion motion, const Figure& figure, std::string* error,
                                               bool plantFeet = true);
std::optional<RetargetedMotion> ReadMotionCapture(const std::string& path, const Figure& figure,
                                                  std::string* error, const BvhProgress& progress = {},
                                                  bool plantFeet = true);

// What could not be matched, said once to the user; empty when everything was.
std::string UnmatchedNote(const RetargetedMotion& motion);

} // namespace figurant
