#pragma once
// What a bone, group or material name says about the body: which part and which side. One table
// covers the common humanoid naming habits ("mixamorig:LeftForeArm", "forearm.L", "DEF-thigh.R",
// "leftLowerArm", "lowerarm_l", "lowerarm01.L", "J_Bip_L_LowerArm", "Bip01 L Forearm", ...).
#include <string>
#include <string_view>
#include <vector>

namespace figurant {

enum class BodyPart {
    Unknown,
    Head, // also the neck and everything on the head (jaw, eyes)
    Chest,
    Shoulder, // clavicles and shoulder bones: part of the chest
    Spine,    // split between chest and pelvis at the waist by height
    Pelvis,
    UpperArm,
    ForeArm,
    Hand,
    Finger,
    Thigh,
    Shin,
    Foot,
    Toe
};

enum class BodySide { None, Left, Right };

struct NamedPart {
    BodyPart part = BodyPart::Unknown;
    BodySide side = BodySide::None;
};

// The lower-case words of a name, split at separators, at lower-to-upper case changes and
// between letters and digits ("mixamorig:LeftForeArm" -> mixamorig, left, fore, arm).
std::vector<std::string> NameWords(std::string_view name);

// A limb part without a side is Unknown: "Armature" is not an arm.
NamedPart ClassifyName(std::string_view name);

// The figure's segment of a part on a side: 0 head, 1 chest, 3 pelvis, 4/5 upper arms, 6/7
// forearms, 8/9 hands, 10/11 thighs, 12/13 shanks, 14/15 feet (even = the figure's right); -1 for
// Unknown, and for Spine, whose segment depends on where the bone is.
int SegmentOfPart(NamedPart named);

} // namespace figurant
