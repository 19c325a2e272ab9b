#include "BvhReader.h"

#include "InputFile.h"
#include "Utf8.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>

namespace figurant {

namespace {

// Bounds no real capture comes near: they keep a hostile file from taking the memory.
constexpr int kMostJoints = 10000;
constexpr int kMostChannels = 6;
// Values read between two words to the progress.
constexpr std::size_t kProgressEvery = 1 << 16;
constexpr int kDeepest = 1000;
// No bone is longer than this in any unit (a kilometre in millimetres).
constexpr double kLargestOffset = 1e6;

// The text as whitespace-separated words, braces words of their own.
class Words {
  public:
    explicit Words(const std::string& text) : m_text(text) {}
    std::optional<std::string_view> Next() {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at])))
            ++m_at;
        if (m_at >= m_text.size()) return std::nullopt;
        const std::size_t start = m_at;
        if (m_text[m_at] == '{' || m_text[m_at] == '}') return std::string_view(m_text).substr(m_at++, 1);
        while (m_at < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[m_at])) &&
               m_text[m_at] != '{' && m_text[m_at] != '}')
            ++m_at;
        return std::string_view(m_text).substr(start, m_at - start);
    }
    // The rest of the line, trimmed (a joint's name may hold spaces).
    std::string RestOfLine() {
        const std::size_t end = m_text.find('\n', m_at);
        std::string line = m_text.substr(m_at, end == std::string::npos ? std::string::npos : end - m_at);
        m_at = end == std::string::npos ? m_text.size() : end;
        const auto first = line.find_first_not_of(" \t\r"), last = line.find_last_not_of(" \t\r");
        return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
    }
    bool Number(double& v) {
        const auto w = Next();
        if (!w) return false;
        const char* first = w->data();
        if (*first == '+') ++first;
        const auto r = std::from_chars(first, w->data() + w->size(), v);
        return r.ec == std::errc() && r.ptr == w->data() + w->size() && std::isfinite(v);
    }
    bool Expect(std::string_view word) { return Next() == word; }
    std::size_t Left() const { return m_text.size() - m_at; }

  private:
    const std::string& m_text;
    std::size_t m_at = 0;
};

const std::map<std::string_view, BvhChannel> kChannels{
    {"Xposition", BvhChannel::XPosition}, {"Yposition", BvhChannel::YPosition},
    {"Zposition", BvhChannel::ZPosition}, {"Xrotation", BvhChannel::XRotation},
    {"Yrotation", BvhChannel::YRotation}, {"Zrotation", BvhChannel::ZRotation}};

struct Parser {
    Words words;
    BvhMotion motion;
    std::string error;
    BvhProgress progress;

    bool Fail(const std::string& why) {
        error = why;
        return false;
    }

    // A joint's block after its name: OFFSET, CHANNELS (not for an end site), children, "}".
    bool Joint(int parent, bool endSite, std::string name, int depth) {
        if (depth > kDeepest) return Fail("the skeleton is nested too deep");
        if (static_cast<int>(motion.joints.size()) >= kMostJoints)
            return Fail("the skeleton has too many joints");
        BvhJoint joint{ValidUtf8(name), parent, {}, {}, endSite, motion.channelsPerFrame};
        if (!words.Expect("{") || !words.Expect("OFFSET")) return Fail("a joint has no OFFSET");
        if (!words.Number(joint.offset.x) || !words.Number(joint.offset.y) || !words.Number(joint.offset.z) ||
            std::fabs(joint.offset.x) + std::fabs(joint.offset.y) + std::fabs(joint.offset.z) >
                kLargestOffset)
            return Fail("an OFFSET is not three numbers of a body's size");
        const int index = static_cast<int>(motion.joints.size());
        if (!endSite) {
            double count = 0;
            if (!words.Expect("CHANNELS") || !words.Number(count) || count < 0 || count > kMostChannels ||
                count != std::floor(count))
                return Fail("joint \"" + joint.name + "\" has no CHANNELS line this reader takes");
            for (int c = 0; c < static_cast<int>(count); ++c) {
                const auto w = words.Next();
                const auto channel = w ? kChannels.find(*w) : kChannels.end();
                if (channel == kChannels.end())
                    return Fail("joint \"" + joint.name + "\" names an unknown channel");
                joint.channels.push_back(channel->second);
            }
            motion.channelsPerFrame += static_cast<int>(count);
        }
        motion.joints.push_back(joint);
        for (;;) {
            const auto w = words.Next();
            if (!w) return Fail("the skeleton ends inside a joint");
            if (*w == "}") return true;
            if (*w == "JOINT" && !endSite) {
                if (!Joint(index, false, words.RestOfLine(), depth + 1)) return false;
            } else if (*w == "End" && !endSite) {
                words.RestOfLine(); // "Site"
                if (!Joint(index, true, "End Site", depth + 1)) return false;
            } else {
                return Fail("the skeleton holds \"" + std::string(*w) + "\" where a joint or \"}\" belongs");
            }
        }
    }

    bool Motion() {
        double frames = 0, frameTime = 0;
        if (!words.Expect("MOTION")) return Fail("there is no MOTION section");
        if (!words.Expect("Frames:") || !words.Number(frames) || frames < 0 || frames != std::floor(frames))
            return Fail("the number of frames cannot be read");
        if (!words.Expect("Frame") || !words.Expect("Time:") || !words.Number(frameTime))
            return Fail("the frame time cannot be read");
        if (!(frameTime >= kShortestFrameTime && frameTime <= kLongestFrameTime))
            return Fail("the frame time is not between 0.0001 and 10 seconds");
        // Both bounds are checked on the numbers as read, before any cast: a file of no channels
        // and a trillion frames holds no values but is no motion either.
        if (frames > static_cast<double>(kMostBvhFrames))
            return Fail("the motion has more than " + std::to_string(kMostBvhFrames) + " frames");
        const auto frameCount = static_cast<std::int64_t>(frames);
        const std::int64_t values = frameCount * motion.channelsPerFrame;
        if (values > kMostBvhValues)
            return Fail("the motion holds more than " + std::to_string(kMostBvhValues) + " values");
        motion.frames = static_cast<int>(frameCount);
        motion.frameTime = frameTime;
        const auto count = static_cast<std::size_t>(values);
        // Room for no more numbers than the rest of the text can hold (two bytes each at least).
        motion.values.reserve(std::min(count, words.Left() / 2 + 1));
        for (std::size_t i = 0; i < count; ++i) {
            if (progress && i % kProgressEvery == 0 &&
                !progress(static_cast<double>(i) / static_cast<double>(count)))
                return Fail("reading was cancelled");
            double v = 0;
            // A value a float cannot hold would turn into infinity, and every turn into nothing.
            if (!words.Number(v) || std::fabs(v) > std::numeric_limits<float>::max()) return CutShort(i);
            motion.values.push_back(static_cast<float>(v));
        }
        return true;
    }

    // Values end, or stop being numbers, at value `at`: the whole frames before it are kept and
    // the problem named (as a cut-short animation plays up to where it breaks); none at all fails.
    bool CutShort(std::size_t at) {
        const auto perFrame = static_cast<std::size_t>(std::max(motion.channelsPerFrame, 1));
        const auto whole = static_cast<int>(at / perFrame);
        const std::string ends =
            words.Left() == 0 ? "ends inside frame " : "holds something that is not a number in frame ";
        if (whole == 0) return Fail("the file " + ends + "1");
        motion.problem = "the file " + ends + std::to_string(whole + 1) + " of its " +
                         std::to_string(motion.frames) + ": the " + std::to_string(whole) +
                         " frames before it are played";
        motion.frames = whole;
        motion.values.resize(static_cast<std::size_t>(whole) * perFrame);
        return true;
    }
};

// A right-handed turn of `degrees` about one axis (0 x, 1 y, 2 z).
Affine AxisTurn(int axis, double degrees) {
    const double a = degrees * kPi / 180, c = std::cos(a), s = std::sin(a);
    Affine R;
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    R.r[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] = c;
    R.r[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = -s;
    R.r[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] = s;
    R.r[static_cast<std::size_t>(j)][static_cast<std::size_t>(j)] = c;
    return R;
}

} // namespace

std::optional<BvhMotion> ParseBvh(const std::string& text, std::string* error, const BvhProgress& progress) {
    Parser p{Words(text), {}, {}, progress};
    const bool read = [&] {
        if (!p.words.Expect("HIERARCHY")) return p.Fail("it does not start with HIERARCHY");
        if (!p.words.Expect("ROOT")) return p.Fail("the skeleton has no ROOT");
        return p.Joint(-1, false, p.words.RestOfLine(), 0) && p.Motion();
    }();
    if (!read) {
        if (error) *error = p.error;
        return std::nullopt;
    }
    return std::move(p.motion);
}

std::optional<BvhMotion> ReadBvhFile(const std::string& path, std::string* error,
                                     const BvhProgress& progress) {
    InputFile file(path, kMostBvhBytes);
    if (!file.Ok()) {
        if (error) *error = file.Error();
        return std::nullopt;
    }
    const auto text = file.ReadAll();
    if (!text) {
        if (error) *error = file.Error();
        return std::nullopt;
    }
    return ParseBvh(*text, error, progress);
}

Affine BvhLocalRotation(const BvhJoint& joint, const float* frame) {
    Affine R;
    for (std::size_t c = 0; c < joint.channels.size(); ++c) {
        const double v = frame[joint.firstChannel + static_cast<int>(c)];
        switch (joint.channels[c]) {
        case BvhChannel::XRotation:
            R = R * AxisTurn(0, v);
            break;
        case BvhChannel::YRotation:
            R = R * AxisTurn(1, v);
            break;
        case BvhChannel::ZRotation:
            R = R * AxisTurn(2, v);
            break;
        default:
            break;
        }
    }
    return R;
}

Point3d BvhLocalPosition(const BvhJoint& joint, const float* frame) {
    Point3d p = joint.offset;
    for (std::size_t c = 0; c < joint.channels.size(); ++c) {
        const double v = frame[joint.firstChannel + static_cast<int>(c)];
        switch (joint.channels[c]) {
        case BvhChannel::XPosition:
            p.x += v;
            break;
        case BvhChannel::YPosition:
            p.y += v;
            break;
        case BvhChannel::ZPosition:
            p.z += v;
            break;
        default:
            break;
        }
    }
    return p;
}

} // namespace figurant
