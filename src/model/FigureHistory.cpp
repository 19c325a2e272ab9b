// The undo history: opening, recording and closing steps, and undo and redo.
#include "FigureHistory.h"

#include <algorithm>

namespace figurant {

namespace {

std::array<float, 3> Minus(const std::array<float, 3>& a, const std::array<float, 3>& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

void AddScaled(std::array<float, 3>& a, const std::array<float, 3>& d, float sign) {
    for (std::size_t i = 0; i < 3; ++i)
        a[i] += sign * d[i];
}

template <typename T> std::size_t VectorBytes(const std::vector<T>& v) {
    return v.capacity() * sizeof(T);
}

} // namespace

void Figure::OpenStep(const std::string& name) {
    CloseStep();
    m_open = std::make_unique<Step>();
    m_open->name = name;
}

void Figure::CaptureBone(int bone) {
    if (!m_open || bone < 0 || static_cast<std::size_t>(bone) >= m_boneTurns.size()) return;
    auto& list = m_open->bones;
    if (std::none_of(list.begin(), list.end(), [&](const auto& b) { return b.first == bone; }))
        list.emplace_back(bone, m_boneTurns[static_cast<std::size_t>(bone)]);
}

void Figure::Capture(int segment, bool ring, bool surface) {
    if (!m_open || !HasSegment(segment)) return;
    auto& list = m_open->segments;
    auto it = std::find_if(list.begin(), list.end(), [&](const Snapshot& s) { return s.segment == segment; });
    const SegmentPose& p = Pose(segment);
    if (it == list.end()) {
        Snapshot s;
        s.segment = segment;
        s.matrix = p.m_matrix;
        s.rotInc = p.m_rotInc;
        s.transInc = p.m_transInc;
        list.push_back(std::move(s));
        it = list.end() - 1;
    }
    if (ring && !it->parentRing) it->parentRing = p.m_parentRing;
    if (surface && !it->surface) {
        const TwistedSurface& t = m_shapes[static_cast<std::size_t>(segment)].twisted;
        it->surface = SurfaceRecord{t.laid, t.angle};
    }
}

// Keeps the step when it changed anything; a new change clears the redo steps.
void Figure::CloseStep() {
    if (!m_open) return;
    ReleaseTwistWork();
    std::unique_ptr<Step> step = std::move(m_open);
    bool changed = false;
    for (Snapshot& s : step->segments) {
        const SegmentPose& p = Pose(s.segment);
        s.rotDelta = Minus(p.m_rotInc, s.rotInc);
        s.transDelta = Minus(p.m_transInc, s.transInc);
        changed = changed || s.surface || !(s.matrix == p.m_matrix) || s.rotInc != p.m_rotInc ||
                  s.transInc != p.m_transInc || (s.parentRing && *s.parentRing != p.m_parentRing);
    }
    for (const auto& [bone, turn] : step->bones)
        changed = changed || turn != m_boneTurns[static_cast<std::size_t>(bone)];
    if (!changed) return;
    step->saves = m_nSaves;
    step->segments.shrink_to_fit();
    m_undo.push_back(std::move(*step));
    m_redo.clear();
}

void Figure::BeginStep(const std::string& name) {
    OpenStep(name);
    for (int s = 0; s < m_nSegments && s < kMaxSegments; ++s)
        Capture(s, false, false);
}

void Figure::CancelStep() {
    if (!m_open) return;
    std::unique_ptr<Step> step = std::move(m_open);
    Exchange(*step, true);
    ReleaseTwistWork();
    RePin();
}

void Figure::EndStep() {
    RePin();
    CloseStep();
}

// Puts the recorded state in place and keeps the figure's in its stead. Increments are exchanged
// too, unless a save cleared them since: then only the step's own change is taken out (undo) or
// put back (redo).
void Figure::Exchange(Step& step, bool undo) {
    const bool sameSave = step.saves == m_nSaves;
    for (Snapshot& s : step.segments) {
        SegmentPose& p = Pose(s.segment);
        std::swap(p.m_matrix, s.matrix);
        if (sameSave) {
            std::swap(p.m_rotInc, s.rotInc);
            std::swap(p.m_transInc, s.transInc);
        } else {
            AddScaled(p.m_rotInc, s.rotDelta, undo ? -1.0f : 1.0f);
            AddScaled(p.m_transInc, s.transDelta, undo ? -1.0f : 1.0f);
        }
        if (s.parentRing) std::swap(p.m_parentRing, *s.parentRing);
        if (s.surface) {
            SegmentShape& shape = m_shapes[static_cast<std::size_t>(s.segment)];
            TwistedSurface& t = shape.twisted;
            const bool twisted = s.surface->twisted;
            s.surface->twisted = t.laid;
            std::swap(t.angle, s.surface->angle);
            LaySurface(s.segment, twisted);
        }
        p.UpdateChildRing();
    }
    for (auto& [bone, turn] : step.bones)
        if (static_cast<std::size_t>(bone) < m_boneTurns.size())
            std::swap(m_boneTurns[static_cast<std::size_t>(bone)], turn);
    // Once the increments have parted from the recorded ones, only the deltas apply.
    if (!sameSave) step.saves = -1;
}

std::string Figure::UndoName() const {
    return m_undo.empty() ? std::string() : m_undo.back().name;
}

std::string Figure::RedoName() const {
    return m_redo.empty() ? std::string() : m_redo.back().name;
}

// Takes the newest step of `from`, exchanges its state with the figure's and keeps it on `to`.
void Figure::MoveStep(std::vector<Step>& from, std::vector<Step>& to, bool undo) {
    CloseStep();
    if (from.empty()) return;
    Step step = std::move(from.back());
    from.pop_back();
    Exchange(step, undo);
    to.push_back(std::move(step));
    ReleaseTwistWork();
    RePin();
}

void Figure::Undo() {
    MoveStep(m_undo, m_redo, true);
}

void Figure::Redo() {
    MoveStep(m_redo, m_undo, false);
}

std::size_t Figure::HistoryBytes() const {
    std::size_t bytes = 0;
    for (const auto* list : {&m_undo, &m_redo}) {
        for (const Step& step : *list) {
            bytes +=
                sizeof(Step) + step.name.capacity() + VectorBytes(step.segments) + VectorBytes(step.bones);
            for (const Snapshot& s : step.segments)
                if (s.parentRing) bytes += VectorBytes(*s.parentRing);
        }
    }
    return bytes;
}

} // namespace figurant
