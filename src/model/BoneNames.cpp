#include "BoneNames.h"

#include <algorithm>
#include <cctype>

namespace figurant {

namespace {

bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAlnum(char c) {
    return IsLower(c) || IsUpper(c) || IsDigit(c);
}

// Words that only say whose naming scheme a bone follows.
constexpr std::string_view kNoiseWords[] = {"mixamorig", "def", "org", "mch", "bip", "j", "c", "jnt", "cc"};

struct Keyword {
    std::string_view text;
    BodyPart part;
};

// In order of precedence: eyes first ("LeftEyeball" is no toe ball), fingers before hands
// ("LeftHandThumb1"), forearms before arms, toes before feet, the pelvis before the sided "hip"
// of a thigh. Keywords of three letters match the
// start of a word only, longer ones anywhere in the name's letters run together.
constexpr Keyword kKeywords[] = {
    {"eye", BodyPart::Head},          {"thumb", BodyPart::Finger},     {"index", BodyPart::Finger},
    {"middle", BodyPart::Finger},     {"ring", BodyPart::Finger},      {"pinky", BodyPart::Finger},
    {"pinkie", BodyPart::Finger},     {"little", BodyPart::Finger},    {"finger", BodyPart::Finger},
    {"carpal", BodyPart::Finger},     {"palm", BodyPart::Finger},      {"toe", BodyPart::Toe},
    {"ball", BodyPart::Toe},          {"heel", BodyPart::Toe},         {"forearm", BodyPart::ForeArm},
    {"lowerarm", BodyPart::ForeArm},  {"elbow", BodyPart::ForeArm},    {"upperarm", BodyPart::UpperArm},
    {"uparm", BodyPart::UpperArm},    {"shldr", BodyPart::UpperArm},   {"arm", BodyPart::UpperArm},
    {"hand", BodyPart::Hand},         {"wrist", BodyPart::Hand},       {"clavicle", BodyPart::Shoulder},
    {"shoulder", BodyPart::Shoulder}, {"collar", BodyPart::Shoulder},  {"scapula", BodyPart::Shoulder},
    {"hips", BodyPart::Pelvis},       {"pelvis", BodyPart::Pelvis},    {"thigh", BodyPart::Thigh},
    {"upleg", BodyPart::Thigh},       {"upperleg", BodyPart::Thigh},   {"hip", BodyPart::Thigh},
    {"calf", BodyPart::Shin},         {"shin", BodyPart::Shin},        {"shank", BodyPart::Shin},
    {"lowerleg", BodyPart::Shin},     {"knee", BodyPart::Shin},        {"leg", BodyPart::Shin},
    {"foot", BodyPart::Foot},         {"ankle", BodyPart::Foot},       {"head", BodyPart::Head},
    {"neck", BodyPart::Head},         {"jaw", BodyPart::Head},         {"skull", BodyPart::Head},
    {"face", BodyPart::Head},         {"hair", BodyPart::Head},        {"nose", BodyPart::Head},
    {"chin", BodyPart::Head},         {"tongue", BodyPart::Head},      {"teeth", BodyPart::Head},
    {"mouth", BodyPart::Head},        {"chest", BodyPart::Chest},      {"torso", BodyPart::Chest},
    {"ribs", BodyPart::Chest},        {"thorax", BodyPart::Chest},     {"breast", BodyPart::Chest},
    {"spine", BodyPart::Spine},       {"back", BodyPart::Spine},       {"abdomen", BodyPart::Spine},
    {"waist", BodyPart::Spine},       {"belly", BodyPart::Spine},      {"stomach", BodyPart::Spine},
    {"lumbar", BodyPart::Spine},      {"humerus", BodyPart::UpperArm}, {"radius", BodyPart::ForeArm},
    {"ulna", BodyPart::ForeArm},      {"femur", BodyPart::Thigh},      {"tibia", BodyPart::Shin},
    {"hip", BodyPart::Pelvis}, // "hip" without a side: a root
};

// Motion-capture limb names that carry their side as a first letter ("lhumerus", "rtibia").
// Joint-style captures write their joints so too ("lshoulder", "relbow", "lhip", "rknee").
constexpr std::string_view kGluedSideWords[] = {
    "humerus", "radius",   "wrist",    "hand",   "femur", "tibia", "foot",
    "toes",    "clavicle", "fingers",  "thumb",  "elbow", "knee",  "ankle",
    "hip",     "toe",      "shoulder", "collar", "shldr", "thigh", "shin"};

// Parts of one side of the body, which a name must place on a side to count.
bool IsLimb(BodyPart part) {
    switch (part) {
    case BodyPart::UpperArm:
    case BodyPart::ForeArm:
    case BodyPart::Hand:
    case BodyPart::Finger:
    case BodyPart::Thigh:
    case BodyPart::Shin:
    case BodyPart::Foot:
    case BodyPart::Toe:
        return true;
    default:
        return false;
    }
}

// Takes the side out of the words: "l", "left", "r", "right", or a word starting with "left" or
// "right" ("leftarm" written in one).
BodySide TakeSide(std::vector<std::string>& words) {
    BodySide side = BodySide::None;
    for (std::string& w : words) {
        for (const auto& [prefix, s] : {std::pair{std::string_view("left"), BodySide::Left},
                                        std::pair{std::string_view("right"), BodySide::Right}}) {
            if (w.compare(0, prefix.size(), prefix) == 0) {
                side = s;
                w.erase(0, prefix.size());
            }
        }
        if (w == "l" || w == "r") {
            side = w == "l" ? BodySide::Left : BodySide::Right;
            w.clear();
        }
        if (!w.empty() && (w[0] == 'l' || w[0] == 'r') &&
            std::find(std::begin(kGluedSideWords), std::end(kGluedSideWords),
                      std::string_view(w).substr(1)) != std::end(kGluedSideWords)) {
            side = w[0] == 'l' ? BodySide::Left : BodySide::Right;
            w.erase(0, 1);
        }
    }
    return side;
}

bool Matches(const Keyword& k, const std::vector<std::string>& words, const std::string& letters) {
    if (k.text.size() > 3) return letters.find(k.text) != std::string::npos;
    return std::any_of(words.begin(), words.end(),
                       [&](const std::string& w) { return w.compare(0, k.text.size(), k.text) == 0; });
}

} // namespace

std::vector<std::string> NameWords(std::string_view name) {
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        if (!word.empty()) words.push_back(word);
        word.clear();
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (!IsAlnum(c)) {
            flush();
            continue;
        }
        if (!word.empty()) {
            const char prev = name[i - 1];
            const bool caseRise = IsLower(prev) && IsUpper(c);
            // "LArm": the last capital of a run starts the next word when a small letter follows.
            const bool acronymEnd =
                IsUpper(prev) && IsUpper(c) && i + 1 < name.size() && IsLower(name[i + 1]);
            const bool digitChange = IsDigit(prev) != IsDigit(c);
            if (caseRise || acronymEnd || digitChange) flush();
        }
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    flush();
    return words;
}

NamedPart ClassifyName(std::string_view name) {
    std::vector<std::string> words = NameWords(name);
    words.erase(std::remove_if(words.begin(), words.end(),
                               [](const std::string& w) {
                                   return IsDigit(w[0]) ||
                                          std::find(std::begin(kNoiseWords), std::end(kNoiseWords), w) !=
                                              std::end(kNoiseWords);
                               }),
                words.end());
    const BodySide side = TakeSide(words);
    std::string letters;
    for (const std::string& w : words)
        letters += w;
    for (const Keyword& k : kKeywords) {
        if (!Matches(k, words, letters)) continue;
        if (IsLimb(k.part) && side == BodySide::None) continue;
        return {k.part, side};
    }
    return {};
}

int SegmentOfPart(NamedPart named) {
    const int side = named.side == BodySide::Left ? 1 : 0; // odd segments are the left
    switch (named.part) {
    case BodyPart::Head:
        return 0;
    case BodyPart::Chest:
    case BodyPart::Shoulder:
        return 1;
    case BodyPart::Pelvis:
        return 3;
    case BodyPart::UpperArm:
        return 4 + side;
    case BodyPart::ForeArm:
        return 6 + side;
    case BodyPart::Hand:
    case BodyPart::Finger:
        return 8 + side;
    case BodyPart::Thigh:
        return 10 + side;
    case BodyPart::Shin:
        return 12 + side;
    case BodyPart::Foot:
    case BodyPart::Toe:
        return 14 + side;
    default:
        return -1;
    }
}

} // namespace figurant
