#include "Body.h"

#include "BodyDesign.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

namespace mannequin {

namespace {

constexpr double kPi = 3.14159265358979323846;
const V3 kUp{0, 1, 0};
const V3 kForward{0, 0, 1};
constexpr double kShoulderTilt = 90; // degrees of the shoulder ring's axis from straight down
constexpr double kArmpitDepth = 0.045, kArmpitDrop = 0.02;
// The thumb: how far it stands out from the palm's edge, and where and how long along the hand.
constexpr double kThumbHeight = 0.024, kThumbAt = 0.33, kThumbSpread = 0.16;
// The heel: how far it stands out behind the ankle, at what height and over what height.
constexpr double kHeelDepth = 0.03, kHeelHeight = 0.03, kHeelSpread = 0.03;

struct RingShape {
    V3 centre, e1, e2;
    double a, b;
};

// Piecewise linear profile of (t, value) knots.
double Profile(const std::vector<std::pair<double, double>>& knots, double t) {
    if (t <= knots.front().first) return knots.front().second;
    for (std::size_t i = 1; i < knots.size(); ++i) {
        if (t <= knots[i].first) {
            const double f = (t - knots[i - 1].first) / (knots[i].first - knots[i - 1].first);
            return knots[i - 1].second + f * (knots[i].second - knots[i - 1].second);
        }
    }
    return knots.back().second;
}

// Unit vector across a limb pointing away from the body's midline, perpendicular to `along`.
V3 Outward(V3 along, double side) {
    const V3 out{side, 0, 0};
    return Unit(out - Dot(out, along) * along);
}

class Builder {
  public:
    explicit Builder(int k) : m_k(k), m_ringSize(16 * k), m_q(2 * k), m_d(Design()) {}

    Mesh Build() {
        Loop neck = m_mesh.Ring(m_d.neck, {1, 0, 0}, kForward, 0.055, 0.055, m_ringSize);
        Loop waist = WaistRing();
        Loop shoulder[2], hip[2];
        for (int s = 0; s < 2; ++s) {
            shoulder[s] = ShoulderRing(s);
            hip[s] = HipRing(s);
        }
        Chest(neck, waist, shoulder);
        Pelvis(waist, hip);
        Head(neck);
        for (int s = 0; s < 2; ++s) {
            Arm(s, shoulder[s]);
            Leg(s, hip[s]);
        }
        return std::move(m_mesh);
    }

  private:
    int Steps(double length) const {
        return std::max(2, static_cast<int>(std::lround(length / 0.015 * m_k)));
    }
    // Ring indices i0, i0 + step, ... i1 (modulo the ring size), both ends included.
    std::vector<int> Arc(int i0, int i1, int step) const {
        std::vector<int> out;
        for (int i = i0;; i += step) {
            out.push_back(((i % m_ringSize) + m_ringSize) % m_ringSize);
            if (i == i1) break;
        }
        return out;
    }
    static Loop Pick(const Loop& ring, const std::vector<int>& indices) {
        Loop out;
        for (int i : indices)
            out.push_back(ring[static_cast<std::size_t>(i)]);
        return out;
    }

    Loop WaistRing() {
        Loop ring;
        const int n = 24 * m_k;
        for (int i = 0; i < n; ++i) {
            const double phi = 2 * kPi * i / n;
            ring.push_back(m_mesh.AddVertex({0.140 * std::sin(phi), m_d.waist.y, 0.100 * std::cos(phi)}));
        }
        return ring;
    }

    // Upright, facing outwards, so the chest wall meets it at the armpit
    // and the shoulder top joins the neck over it.
    Loop ShoulderRing(int s) {
        const double side = s == 0 ? 1 : -1, tilt = kShoulderTilt * kPi / 180;
        const V3 e1{side * std::cos(tilt), std::sin(tilt), 0};
        return m_mesh.Ring(m_d.shoulder[s], e1, kForward, 0.055, 0.055, m_ringSize);
    }

    Loop HipRing(int s) {
        const double side = s == 0 ? 1 : -1;
        const V3 along = Unit(m_d.knee[s] - m_d.hip[s]);
        return m_mesh.Ring(m_d.hip[s], Outward(along, side), kForward, 0.088, 0.085, m_ringSize);
    }

    // Arc-length parameters of a closed loop, 0 at `startAt` of the way along its first edge
    // counted backwards from vertex 0 (so a loop can start beside its front centre).
    std::vector<double> Params(const Loop& loop, double backShift) const {
        std::vector<double> s{0};
        const auto& p = m_mesh.Positions();
        double total = 0;
        for (std::size_t i = 0; i < loop.size(); ++i) {
            total += Length(p[static_cast<std::size_t>(loop[(i + 1) % loop.size()])] -
                            p[static_cast<std::size_t>(loop[i])]);
            if (i + 1 < loop.size()) s.push_back(total);
        }
        const double lastEdge = total - s.back();
        for (double& v : s)
            v = (v + backShift * lastEdge) / total;
        return s;
    }

    // A torso loop on an ellipse at height v, one vertex per parameter (0 = front centre, then
    // towards the figure's right).
    Loop EllipseLoop(const std::vector<double>& t, double v, double a, double b) {
        Loop loop;
        for (double ti : t) {
            const double phi = 2 * kPi * ti;
            loop.push_back(m_mesh.AddVertex({a * std::sin(phi), v, b * std::cos(phi)}));
        }
        return loop;
    }

    // Between two loops of equal length, pushed out from the body axis.
    Loop BlendLoop(const Loop& a, const Loop& b, double f, double bulge) {
        Loop loop;
        for (std::size_t i = 0; i < a.size(); ++i) {
            V3 p = Lerp(m_mesh.Positions()[static_cast<std::size_t>(a[i])],
                        m_mesh.Positions()[static_cast<std::size_t>(b[i])], f);
            const V3 radial = Unit(V3{p.x, 0, p.z});
            loop.push_back(m_mesh.AddVertex(p + bulge * radial));
        }
        return loop;
    }

    static std::vector<double> Uniform(std::size_t n) {
        std::vector<double> t;
        for (std::size_t i = 0; i < n; ++i)
            t.push_back(static_cast<double>(i) / static_cast<double>(n));
        return t;
    }

    void Chest(const Loop& neck, const Loop& waist, const Loop* shoulder) {
        const int n = m_ringSize, front = n / 4, back = 3 * n / 4;
        // The top loop runs from the front of the neck round the lower half of the right
        // shoulder ring (front, armpit, back), across the back of the neck and round the lower
        // half of the left shoulder ring.
        Loop top{neck[static_cast<std::size_t>(front)]};
        for (const auto& part :
             {Pick(shoulder[0], Arc(front, back, 1)), Loop{neck[static_cast<std::size_t>(back)]},
              Pick(shoulder[1], Arc(back, front, -1))})
            top.insert(top.end(), part.begin(), part.end());
        const std::vector<double> t = Params(top, 0.0);
        const Loop c0 = EllipseLoop(t, 1.19, 0.150, 0.105);
        const Loop c1 = EllipseLoop(t, 1.30, 0.165, 0.115);
        Loop c2 = BlendLoop(c1, top, 0.6, 0.012);
        // Under the shoulder rings the chest comes in beneath the armpit from inside, so the
        // chest wall and the arm meet at an open angle rather than folding onto each other.
        for (int s = 0; s < 2; ++s) {
            const double side = s == 0 ? 1 : -1;
            for (std::size_t j = 0; j < top.size(); ++j) {
                if (std::find(shoulder[s].begin(), shoulder[s].end(), top[j]) == shoulder[s].end()) continue;
                const V3 p = m_mesh.Positions()[static_cast<std::size_t>(top[j])];
                m_mesh.Positions()[static_cast<std::size_t>(c2[j])] =
                    p - V3{side * kArmpitDepth, kArmpitDrop, 0};
            }
        }
        m_mesh.Zipper(waist, Uniform(waist.size()), c0, t, 1);
        m_mesh.Loft(c0, c1, 1);
        m_mesh.Loft(c1, c2, 1);
        m_mesh.Loft(c2, top, 1);
        // Shoulder tops: the upper half of each shoulder ring against one half of the neck ring.
        const std::vector<int> upper = Arc(back, n + front, 1);
        Strip(Pick(shoulder[0], upper), Pick(neck, upper), 1);
        Strip(Pick(shoulder[1], upper), Pick(neck, Arc(back, front, -1)), 1);
    }

    void Pelvis(const Loop& waist, const Loop* hip) {
        const int q = m_q, n = m_ringSize;
        // Round the outside of the right thigh from front to back, then the left from back to front.
        Loop bottom = Pick(hip[0], Arc(3 * q, 5 * q - n, -1));
        const Loop left = Pick(hip[1], Arc(5 * q, n + 3 * q, 1));
        bottom.insert(bottom.end(), left.begin(), left.end());
        const std::vector<double> t = Params(bottom, 0.5);
        const Loop c1 = EllipseLoop(t, 1.02, 0.155, 0.110);
        const Loop c2 = BlendLoop(c1, bottom, 0.55, 0.006);
        m_mesh.Zipper(waist, Uniform(waist.size()), c1, t, 3);
        m_mesh.Loft(c1, c2, 3);
        m_mesh.Loft(c2, bottom, 3);
        const std::vector<int> inner = Arc(3 * q, 5 * q, 1);
        Strip(Pick(hip[0], inner), Pick(hip[1], inner), 3);
    }

    // Quads between two open runs of equal length.
    void Strip(const Loop& a, const Loop& b, int segment) {
        for (std::size_t i = 0; i + 1 < a.size(); ++i)
            m_mesh.Quad(a[i], a[i + 1], b[i + 1], b[i], segment);
    }

    // Rings along a limb from an existing ring; closes at `pole` when one is given.
    Loop Sweep(Loop ring, int segment, int steps, const std::function<RingShape(double)>& shape,
               const V3* pole = nullptr) {
        const int last = pole ? steps - 1 : steps;
        for (int j = 1; j <= last; ++j) {
            const RingShape r = shape(static_cast<double>(j) / steps);
            Loop next = m_mesh.Ring(r.centre, r.e1, r.e2, r.a, r.b, m_ringSize);
            m_mesh.Loft(ring, next, segment);
            ring = std::move(next);
        }
        if (pole) m_mesh.Cap(ring, m_mesh.AddVertex(*pole), segment);
        return ring;
    }

    void Head(const Loop& neck) {
        const V3 centre{0, m_d.headTop.y - 0.115, 0.01};
        const double neckTop = 0.03, bottom = 35 * kPi / 180;
        const int neckSteps = 2, headSteps = 16 * m_k;
        Loop ring = Sweep(neck, 0, neckSteps, [&](double t) {
            return RingShape{m_d.neck + V3{0, t * neckTop, 0.005 * t},
                             {1, 0, 0},
                             kForward,
                             0.055 - 0.004 * t,
                             0.055 - 0.004 * t};
        });
        const std::size_t firstHeadVertex = m_mesh.Positions().size();
        const V3 pole = centre + V3{0, 0.115, 0};
        Sweep(
            ring, 0, headSteps,
            [&](double t) {
                const double beta = bottom + t * (kPi - bottom);
                return RingShape{centre - V3{0, 0.115 * std::cos(beta), 0},
                                 {1, 0, 0},
                                 kForward,
                                 0.075 * std::sin(beta),
                                 0.095 * std::sin(beta)};
            },
            &pole);
        Face(firstHeadVertex, centre);
    }

    // Bumps on the head's ellipsoid, each a Gaussian in the head's own coordinates (x across,
    // y up, z forward from `centre`): a jaw and chin, a brow, a nose and ears, so one sees which
    // way the head faces.
    void Face(std::size_t firstVertex, V3 centre) {
        struct Feature {
            V3 at, spread, push; // push: the displacement at the bump's centre
            bool mirrored;       // also on the other side (x negated)
        };
        static const Feature kFeatures[] = {
            {{0, -0.075, 0.09}, {0.05, 0.035, 0.06}, {0, 0, 0.014}, false},       // jaw
            {{0, -0.095, 0.08}, {0.018, 0.016, 0.04}, {0, -0.004, 0.012}, false}, // chin
            {{0, 0.025, 0.09}, {0.045, 0.012, 0.04}, {0, 0, 0.006}, false},       // brow
            {{0, -0.01, 0.09}, {0.014, 0.022, 0.04}, {0, 0, 0.024}, false},       // nose
            {{0.07, -0.005, -0.005}, {0.03, 0.03, 0.025}, {0.01, 0, 0}, true},    // ears
        };
        for (std::size_t i = firstVertex; i < m_mesh.Positions().size(); ++i) {
            V3& p = m_mesh.Positions()[i];
            const V3 r = p - centre;
            V3 move{};
            for (const Feature& f : kFeatures) {
                for (double sx : {1.0, -1.0}) {
                    if (sx < 0 && !f.mirrored) break;
                    const V3 d{(r.x - sx * f.at.x) / f.spread.x, (r.y - f.at.y) / f.spread.y,
                               (r.z - f.at.z) / f.spread.z};
                    move = move + std::exp(-Dot(d, d)) * V3{sx * f.push.x, f.push.y, f.push.z};
                }
            }
            p = p + move;
        }
    }

    // The upper arm leaves the upright shoulder ring outwards, curves down round a bend wider
    // than the arm is thick, and runs straight to the elbow.
    void Arm(int s, const Loop& shoulder) {
        const double side = s == 0 ? 1 : -1;
        const ArmPath& path = m_d.arm[s];
        const double turn = path.turn, radius = path.radius;
        const V3 arcEnd = path.arcEnd;
        const double arcLength = radius * turn, straight = Length(m_d.elbow[s] - arcEnd);
        const V3 back{0, 0, -1};
        auto outwardUp = [&](V3 along) { return side * Cross(along, back); };
        const Loop elbow = Sweep(shoulder, 4 + s, Steps(arcLength + straight), [&](double t) {
            const double along = t * (arcLength + straight);
            const double r = Profile({{0, 0.055}, {0.3, 0.048}, {0.8, 0.043}, {1, 0.040}}, t);
            if (along < arcLength) {
                const double b = along / radius;
                return RingShape{path.At(m_d.shoulder[s], side, b),
                                 outwardUp({side * std::cos(b), -std::sin(b), 0}), kForward, r, r};
            }
            const V3 d = Unit(m_d.elbow[s] - arcEnd);
            return RingShape{arcEnd + (along - arcLength) * d, outwardUp(d), kForward, r, r};
        });
        const V3 forearm = Unit(m_d.wrist[s] - m_d.elbow[s]);
        const V3 e1 = outwardUp(forearm);
        const Loop wrist = Sweep(elbow, 6 + s, Steps(0.146 * kHeight), [&](double t) {
            return RingShape{Lerp(m_d.elbow[s], m_d.wrist[s], t), e1, kForward,
                             Profile({{0, 0.040}, {0.25, 0.041}, {1, 0.022}}, t),
                             Profile({{0, 0.040}, {0.25, 0.043}, {1, 0.030}}, t)};
        });
        const std::size_t firstHandVertex = m_mesh.Positions().size();
        Sweep(
            wrist, 8 + s, Steps(0.108 * kHeight),
            [&](double t) {
                // A palm that widens to the knuckles and a block of fingers with a rounded end.
                return RingShape{
                    Lerp(m_d.wrist[s], m_d.fingertip[s], t), e1, kForward,
                    Profile(
                        {{0, 0.022}, {0.3, 0.021}, {0.7, 0.020}, {0.88, 0.019}, {0.96, 0.014}, {1, 0.008}},
                        t),
                    Profile(
                        {{0, 0.030}, {0.25, 0.043}, {0.5, 0.046}, {0.85, 0.042}, {0.95, 0.032}, {1, 0.016}},
                        t)};
            },
            &m_d.fingertip[s]);
        Thumb(s, firstHandVertex, e1);
    }

    // The thumb: the front edge of the palm pushed forwards and a little towards the palm side.
    void Thumb(int s, std::size_t firstVertex, V3 outward) {
        const V3 wrist = m_d.wrist[s];
        const V3 along = Unit(m_d.fingertip[s] - wrist);
        const double length = Length(m_d.fingertip[s] - wrist);
        for (std::size_t i = firstVertex; i < m_mesh.Positions().size(); ++i) {
            V3& p = m_mesh.Positions()[i];
            const double t = Dot(p - wrist, along) / length;
            const V3 across = p - (wrist + (t * length) * along);
            const double front = Dot(across, kForward) / std::max(Length(across), 1e-9);
            if (front <= 0) continue;
            const double dt = (t - kThumbAt) / kThumbSpread;
            const double bump = kThumbHeight * std::exp(-dt * dt) * std::pow(front, 4);
            p = p + bump * Unit(kForward - 0.6 * outward);
        }
    }

    void Leg(int s, const Loop& hip) {
        const double side = s == 0 ? 1 : -1;
        const V3 along = Unit(m_d.knee[s] - m_d.hip[s]);
        const V3 e1 = Outward(along, side);
        const Loop knee = Sweep(hip, 10 + s, Steps(0.245 * kHeight), [&](double t) {
            return RingShape{Lerp(m_d.hip[s], m_d.knee[s], t), e1, kForward,
                             Profile({{0, 0.088}, {0.5, 0.077}, {1, 0.052}}, t),
                             Profile({{0, 0.085}, {0.5, 0.078}, {1, 0.055}}, t)};
        });
        const Loop ankle = Sweep(knee, 12 + s, Steps(0.246 * kHeight), [&](double t) {
            const double calf = Profile({{0, 0}, {0.3, 0.012}, {0.7, 0.004}, {1, 0}}, t);
            return RingShape{Lerp(m_d.knee[s], m_d.ankle[s], t) - V3{0, 0, calf}, e1, kForward,
                             Profile({{0, 0.052}, {0.3, 0.054}, {1, 0.035}}, t),
                             Profile({{0, 0.055}, {0.3, 0.064}, {1, 0.030}}, t)};
        });
        Foot(s, ankle);
    }

    // The foot bends from the ankle down and forwards round a quarter circle wider than the
    // tube is thick (so the instep does not fold), then runs flat to the toes.
    void Foot(int s, const Loop& ankle) {
        const double side = s == 0 ? 1 : -1;
        const double bend = 0.042;
        const V3 a = m_d.ankle[s];
        const V3 centre = a + bend * kForward;
        const double length = m_d.toe[s].z - centre.z;
        const int bendSteps = 6 * m_k, runSteps = Steps(length);
        const int steps = bendSteps + runSteps;
        const V3 pole = m_d.toe[s] + V3{0, 0.008, 0.01};
        const std::size_t firstFootVertex = m_mesh.Positions().size();
        Sweep(
            ankle, 14 + s, steps,
            [&](double t) {
                const double j = t * steps;
                if (j <= bendSteps) {
                    const double alpha = 0.5 * kPi * j / bendSteps, f = j / bendSteps;
                    const V3 dir = std::sin(alpha) * kForward - std::cos(alpha) * kUp;
                    const V3 c =
                        centre - (bend * std::cos(alpha)) * kForward - (bend * std::sin(alpha)) * kUp;
                    const V3 e1 = Outward(dir, side);
                    return RingShape{c, e1, side * Unit(Cross(dir, e1)), 0.035 + 0.008 * f, 0.030};
                }
                const double f = (j - bendSteps) / runSteps;
                const V3 c = centre - bend * kUp + (f * length) * kForward - V3{0, 0.008 * f, 0};
                // The ball of the foot, a crease where the toes begin, and a broad toe box.
                return RingShape{
                    c, Outward(kForward, side), kUp,
                    Profile({{0, 0.043}, {0.6, 0.049}, {0.8, 0.047}, {0.95, 0.040}, {1, 0.030}}, f),
                    Profile({{0, 0.030}, {0.5, 0.024}, {0.66, 0.018}, {0.74, 0.020}, {1, 0.013}}, f)};
            },
            &pole);
        Heel(s, firstFootVertex);
    }

    // The heel: the lower back of the foot pushed out behind the ankle.
    void Heel(int s, std::size_t firstVertex) {
        const V3 a = m_d.ankle[s];
        for (std::size_t i = firstVertex; i < m_mesh.Positions().size(); ++i) {
            V3& p = m_mesh.Positions()[i];
            const double behind = std::clamp((a.z + 0.01 - p.z) / 0.03, 0.0, 1.0);
            const double dy = (p.y - kHeelHeight) / kHeelSpread;
            p.z -= kHeelDepth * behind * behind * (3 - 2 * behind) * std::exp(-dy * dy);
        }
    }

    int m_k, m_ringSize, m_q;
    const BodyDesign& m_d;
    Mesh m_mesh;
};

} // namespace

Mesh BuildBody(int resolution) {
    Mesh mesh = Builder(resolution).Build();
    for (auto& p : mesh.Positions())
        p = {p.z, p.y, p.x};
    if (!mesh.Orient()) throw std::logic_error("the generated surface is not closed");
    return mesh;
}

} // namespace mannequin
