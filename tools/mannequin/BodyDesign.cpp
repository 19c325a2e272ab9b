#include "BodyDesign.h"

namespace mannequin {

namespace {

constexpr double kPi = 3.14159265358979323846;

V3 Direction(double degreesFromDown, double side) {
    const double a = degreesFromDown * kPi / 180.0;
    return {side * std::sin(a), -std::cos(a), 0};
}

// The turn after which the straight part of the upper arm points at the elbow.
ArmPath SolveArmPath(V3 shoulder, V3 elbow, double side) {
    ArmPath path{0.08, 0, {}};
    double lo = 0, hi = kPi / 2;
    for (int i = 0; i < 60; ++i) {
        path.turn = 0.5 * (lo + hi);
        const V3 end = path.At(shoulder, side, path.turn);
        const V3 dir{side * std::cos(path.turn), -std::sin(path.turn), 0};
        const V3 toElbow = elbow - end;
        // Positive while the elbow lies below the current direction: turn further.
        const double c = side * (dir.x * toElbow.y - dir.y * toElbow.x);
        (c < 0 ? lo : hi) = path.turn;
    }
    path.arcEnd = path.At(shoulder, side, path.turn);
    return path;
}

BodyDesign Build() {
    const double H = kHeight;
    BodyDesign d;
    d.neck = {0, 0.851 * H, 0};
    d.waist = {0, 0.630 * H, 0};
    d.headTop = {0, H, 0};
    for (int s = 0; s < 2; ++s) {
        const double side = s == 0 ? 1.0 : -1.0;
        d.shoulder[s] = {side * 0.259 * H / 2, 0.818 * H, 0};
        const V3 arm = Direction(kArmAbduction, side);
        d.elbow[s] = d.shoulder[s] + 0.186 * H * arm;
        d.wrist[s] = d.elbow[s] + 0.146 * H * arm;
        d.fingertip[s] = d.wrist[s] + 0.108 * H * arm;
        d.hip[s] = {side * 0.191 * H / 2, 0.530 * H, 0};
        const V3 leg = Direction(kLegSpread, side);
        d.knee[s] = d.hip[s] + 0.245 * H * leg;
        d.ankle[s] = d.knee[s] + 0.246 * H * leg;
        d.toe[s] = {d.ankle[s].x, 0.02, d.ankle[s].z + 0.152 * H - 0.05};
        d.arm[s] = SolveArmPath(d.shoulder[s], d.elbow[s], side);
    }
    const V3 chestTop{0, d.shoulder[0].y, 0};
    d.bones = {{0, d.neck, d.headTop - V3{0, 0.1, 0}},
               {1, d.waist, chestTop},
               {1, chestTop, d.neck},
               {3, d.waist, V3{0, d.hip[0].y, 0}}};
    for (int s = 0; s < 2; ++s) {
        d.bones.push_back({1, chestTop, d.shoulder[s]});
        d.bones.push_back({3, V3{0, d.hip[0].y, 0}, d.hip[s]});
        const double side = s == 0 ? 1.0 : -1.0;
        for (int k = 0; k < 8; ++k)
            d.bones.push_back({4 + s, d.arm[s].At(d.shoulder[s], side, d.arm[s].turn * k / 8),
                               d.arm[s].At(d.shoulder[s], side, d.arm[s].turn * (k + 1) / 8)});
        d.bones.push_back({4 + s, d.arm[s].arcEnd, d.elbow[s]});
        d.bones.push_back({6 + s, d.elbow[s], d.wrist[s]});
        d.bones.push_back({8 + s, d.wrist[s], d.fingertip[s] - 0.02 * Direction(kArmAbduction, s ? -1 : 1)});
        d.bones.push_back({10 + s, d.hip[s], d.knee[s]});
        d.bones.push_back({12 + s, d.knee[s], d.ankle[s]});
        d.bones.push_back({14 + s, d.ankle[s], V3{d.ankle[s].x, 0.035, d.ankle[s].z}});
        d.bones.push_back({14 + s, V3{d.ankle[s].x, 0.035, d.ankle[s].z}, d.toe[s]});
    }
    d.joints = {{1, 0, d.neck}, {1, 3, d.waist}};
    for (int s = 0; s < 2; ++s) {
        d.joints.push_back({1, 4 + s, d.shoulder[s]});
        d.joints.push_back({4 + s, 6 + s, d.elbow[s]});
        d.joints.push_back({6 + s, 8 + s, d.wrist[s]});
        d.joints.push_back({3, 10 + s, d.hip[s]});
        d.joints.push_back({10 + s, 12 + s, d.knee[s]});
        d.joints.push_back({12 + s, 14 + s, d.ankle[s]});
    }
    return d;
}

} // namespace

const BodyDesign& Design() {
    static const BodyDesign design = Build();
    return design;
}

} // namespace mannequin
