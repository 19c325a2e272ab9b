#include "InspectCharacter.h"

#include "Character.h"
#include "FigureReadApart.h"
#include "Json.h"
#include "PoseFile.h"
#include "Skinning.h"

#include <cstdio>

namespace figurant {

namespace {

constexpr const char* kCharacterFrame =
    "the file's scene: its origin, its up axis turned to +y, metres (a glTF file's own frame)";

int Fail(const std::string& file, const std::string& why) {
    std::fprintf(stderr, "figurant-inspect: \"%s\": %s\n", file.c_str(), why.c_str());
    return 1;
}

std::string Point(const Point3d& p) {
    return "[" + json::Double(p.x) + ", " + json::Double(p.y) + ", " + json::Double(p.z) + "]";
}

std::string Point(const Vec3f& p) {
    return json::Point(p);
}

void PrintJoints(const Character& c) {
    std::fputs("\"joints\": [", stdout);
    json::ListWriter list(stdout);
    for (const CharacterJoint& j : c.joints) {
        if (!j.bone) continue;
        list.Next();
        const bool parent = j.parent >= 0 && c.joints[static_cast<std::size_t>(j.parent)].bone;
        std::printf("{\"name\": %s, \"parent\": %s, \"position\": %s}", json::Text(j.name).c_str(),
                    parent ? json::Text(c.joints[static_cast<std::size_t>(j.parent)].name).c_str() : "null",
                    Point(j.restWorld.t).c_str());
    }
    std::fputs("]", stdout);
}

} // namespace

int InspectCharacter(const std::string& file, const std::string& posePath) {
    std::string error;
    const auto scene = ReadFigureFileApart(file, &error);
    if (!scene) return Fail(file, error);
    const auto character = CharacterFromScene(*scene, &error);
    if (!character) return Fail(file, "it is no skinned character: " + error);
    std::vector<Quaternion> turns;
    if (!posePath.empty()) {
        const auto rotations = ReadPoseFile(posePath, &error);
        if (!rotations) return Fail(posePath, error);
        turns.assign(character->joints.size(), Quaternion{0, 0, 0, 1});
        for (const auto& [name, q] : *rotations) {
            const int j = character->FindJoint(name);
            if (j < 0) return Fail(posePath, "the figure has no joint \"" + name + "\"");
            turns[static_cast<std::size_t>(j)] = q;
        }
    }
    std::printf("{\"frame\": %s, ", json::Text(kCharacterFrame).c_str());
    PrintJoints(*character);
    if (!posePath.empty()) {
        std::vector<Vec3f> posed, normals;
        SkinSurface(*character, JointMoves(*character, JointWorlds(*character, turns)), SkinMethod::Linear,
                    Affine{}, posed, normals);
        const std::vector<Vec3f>& rest = character->surface.Rest();
        std::fputs(", \"vertices\": [", stdout);
        json::ListWriter list(stdout);
        for (std::size_t v = 0; v < rest.size(); ++v) {
            list.Next();
            std::printf("{\"rest\": %s, \"posed\": %s}", Point(rest[v]).c_str(), Point(posed[v]).c_str());
        }
        std::fputs("]", stdout);
    }
    std::fputs("}\n", stdout);
    return 0;
}

} // namespace figurant
