#include "CommandTable.h"

#include "CommandIds.h"

namespace figurant::res {

const std::vector<CommandInfo>& Commands() {
    static const std::vector<CommandInfo> table{
        {cmd::FileNew, "Create a new document\nNew"},
        {cmd::FileOpen, "Open an existing document\nOpen"},
        {cmd::ImportDxf, ""},
        {cmd::ImportSolarLoad, ""},
        {cmd::ExportPicture, "Save the current view as a PNG or JPEG picture\nExport Picture"},
        {cmd::ExportFrames, "Save every frame of the animation as pictures, and as a video\nExport Frames"},
        {cmd::ExportBvh, "Save the figure and its motion as BVH\nExport BVH"},
        {cmd::ExportGltf, "Save the figure, its pose and its motion as a glTF file\nExport glTF"},
        {cmd::CameraStandard, "Look through the standard lens (29 mm)\nStandard lens"},
        {cmd::Camera50, "Look through a 50 mm lens\n50 mm lens"},
        {cmd::Camera85, "Look through an 85 mm lens: little perspective\n85 mm lens"},
        {cmd::CameraOrthographic, "Look without perspective\nOrthographic"},
        {cmd::ExportControl,
         "Save keypoints, skeleton, depth, normal and segment pictures of the current view\nExport Control "
         "Pictures"},
        {cmd::ReferencePicture, "Show a picture behind the figure\nReference Picture"},
        {cmd::ReferencePictureOff, "Take the picture behind the figure away\nNo Reference Picture"},
        {cmd::ViewKeyFrames, "Show or hide the animation's key frames under the view\nKey Frames"},
        {cmd::SegmentColours, "Paint an imported character in the body segments' colours instead of its own "
                              "look\nSegment Colours"},
        {cmd::ViewBones, "Show or hide the list of an imported character's bones\nBones"},
        {cmd::DualQuaternionSkinning, "Bend an imported character's skin by dual quaternions, which keep "
                                      "twisted limbs round\nDual Quaternion Skinning"},
        {cmd::PlantFeet,
         "Keep the feet still where a motion capture plants them, and above the ground\nFeet on "
         "the Ground"},
        {cmd::FollowFigure, "Move the camera with a motion capture that travels further than the figure is "
                            "tall\nFollow"},
        {cmd::RotationGizmo, "In Modify mode, show rings around the selected joint to turn it about its "
                             "axes by dragging\nRotation Gizmo"},
        {cmd::GizmoWorldAxes,
         "Turn the gizmo's rings to the world's axes instead of the joint's own\nGizmo in "
         "World Axes"},
        {cmd::KeyFrameInsert,
         "Put the current pose into the animation after the selected key frame\nInsert Key Frame"},
        {cmd::KeyFrameReplace, "Put the current pose in place of the selected key frame\nReplace Key Frame"},
        {cmd::KeyFrameDelete, "Take the selected key frame out of the animation\nDelete Key Frame"},
        {cmd::PlaybackRate10, "Play animations at 10 frames per second\n10 frames per second"},
        {cmd::PlaybackRate15, "Play animations at 15 frames per second\n15 frames per second"},
        {cmd::PlaybackRate24, "Play animations at 24 frames per second\n24 frames per second"},
        {cmd::PlaybackRate30, "Play animations at 30 frames per second\n30 frames per second"},
        {cmd::PlaybackRate60, "Play animations at 60 frames per second\n60 frames per second"},
        {cmd::ImportModel,
         "Import a rigged figure (glTF, GLB, VRM, FBX, Collada, OBJ) to pose\nImport Model"},
        {cmd::FileSave, "Save the active document\nSave"},
        {cmd::FileSaveAs, "Save the active document with a new name\nSave As"},
        {cmd::FilePrint, "Print the active document\nPrint"},
        {cmd::FilePrintPreview, "Display full pages\nPrint Preview"},
        {cmd::FilePrintSetup, "Change the printer and printing options\nPrint Setup"},
        {cmd::FileMru, "Open this document"},
        {cmd::AppExit, "Quit the application; prompts to save documents\nExit"},
        {cmd::EditUndo, "Undo the last action\nUndo"},
        {cmd::EditRedo, "Redo the previously undone action\nRedo"},
        {cmd::MirrorPose, "Copy the pose of the selected limb's side onto the other side\nMirror Pose"},
        {cmd::FlipPose, "Swap the poses of the left and right sides\nFlip Pose"},
        {cmd::ResetPose, "Put every segment back to rest\nReset Pose"},
        {cmd::ViewFront, "Look at the figure from the front\nFront"},
        {cmd::ViewSide, "Look at the figure's right side\nSide"},
        {cmd::ViewBack, "Look at the figure from behind\nBack"},
        {cmd::ViewTop, "Look down on the figure\nTop"},
        {cmd::ViewHome, "Back to the start view\nHome"},
        {cmd::ViewOtherSide, "Look at the figure's left side\nOther side"},
        {cmd::ViewBottom, "Look up at the figure\nBottom"},
        {cmd::EditCut, "Cut the selection and put it on the Clipboard\nCut"},
        {cmd::EditCopy, "Copy the selection and put it on the Clipboard\nCopy"},
        {cmd::EditPaste, "Insert Clipboard contents\nPaste"},
        {cmd::Animate, "Animate\nAnimate"},
        {cmd::RotateArbitrary, "Ritate about arbitrary axis\nRotate"},
        {cmd::Reset, "Reset\nReset"},
        {cmd::ViewToolbar, "Show or hide the toolbar\nToggle ToolBar"},
        {cmd::ViewStatusBar, "Show or hide the status bar\nToggle StatusBar"},
        {cmd::Hierarchy, "Toggle hierarchical/original mode\nToggle hierarchical/original mode"},
        {cmd::ModeNormal, "Normal mode\nNormal mode"},
        {cmd::ModeModify, "Modify mode\nModify mode"},
        {cmd::RotateLeft, "Rotate left\nRotate left"},
        {cmd::RotateRight, "Rotate right\nRotate right"},
        {cmd::RotateUp, "Rotate up\nRotate up"},
        {cmd::RotateDown, "Rotate down\nRotate down"},
        {cmd::ZoomIn, "Zoom in\nZoom in"},
        {cmd::ZoomOut, "Zoom out\nZoom out"},
        {cmd::AppAbout, "Display program information, version number and copyright\nAbout"},
        {cmd::ContextRotate, "Turn the selected joint by exact angles\nRotate"},
        {cmd::ContextTranslate, "Move the selected segment by exact distances\nTranslate"},
        {cmd::PinEnd, "Keep the hand or foot where it is while the rest moves, or let it go\nPin"},
        {cmd::ContextScale, ""},
        {cmd::ContextWizard, "Orlend Wizard\nOrlend Wizard"},
        {cmd::ContextOptions, "Change the program's settings\nOptions"},
        {cmd::BuildHierarchy, "Build hierarchical model\n"},
    };
    return table;
}

const char* PromptOf(int id) {
    for (const CommandInfo& c : Commands())
        if (c.id == id) return c.prompt;
    return "";
}

namespace {

MenuItem Item(int id, const char* text) {
    return {id, text, {}};
}
MenuItem Separator() {
    return {0, "", {}};
}
MenuItem Popup(const char* text, std::vector<MenuItem> items) {
    return {0, text, std::move(items)};
}

} // namespace

const std::vector<MenuItem>& MainMenu() {
    static const std::vector<MenuItem> menu = [] {
        MenuItem normal = Item(cmd::ModeNormal, "&Normal");
        normal.initiallyChecked = true;
        MenuItem modify = Item(cmd::ModeModify, "&Modify");
        modify.initiallyGreyed = true;
        return std::vector<MenuItem>{
            Popup("&File",
                  {Item(cmd::FileNew, "&New\tCtrl+N"), Item(cmd::FileOpen, "&Open...\tCtrl+O"),
                   Popup("&Import", {Item(cmd::ImportDxf, "&Dxf file ..."),
                                     Item(cmd::ImportSolarLoad, "&Solar load ...")}),
                   Item(cmd::ImportModel, "Import &Model...\tCtrl+M"),
                   Popup("&Export",
                         {Item(cmd::ExportPicture, "Export &Picture..."),
                          Item(cmd::ExportFrames, "Export &Frames..."),
                          Item(cmd::ExportControl, "Export &Control Pictures..."),
                          Item(cmd::ExportBvh, "Export &BVH..."), Item(cmd::ExportGltf, "Export &glTF...")}),
                   Item(cmd::FileSave, "&Save\tCtrl+S"), Item(cmd::FileSaveAs, "Save &As..."), Separator(),
                   Item(cmd::FilePrint, "&Print...\tCtrl+P"), Item(cmd::FilePrintPreview, "Print Pre&view"),
                   Item(cmd::FilePrintSetup, "P&rint Setup..."), Separator(),
                   Item(cmd::FileMru, "Recent File"), Separator(), Item(cmd::AppExit, "E&xit")}),
            Popup("&Edit", {Item(cmd::EditUndo, "&Undo\tCtrl+Z"), Item(cmd::EditRedo, "&Redo\tCtrl+Y"),
                            Separator(), Item(cmd::KeyFrameInsert, "&Insert Key Frame"),
                            Item(cmd::KeyFrameReplace, "Rep&lace Key Frame"),
                            Item(cmd::KeyFrameDelete, "&Delete Key Frame"), Separator(),
                            Item(cmd::EditCut, "Cu&t\tCtrl+X"), Item(cmd::EditCopy, "&Copy\tCtrl+C"),
                            Item(cmd::EditPaste, "&Paste\tCtrl+V")}),
            Popup("&View", {Item(cmd::Animate, "&Animate"),
                            Item(cmd::RotateArbitrary, "&Roate ..."),
                            Item(cmd::Reset, "R&eset"),
                            Popup("Pla&yback Speed", {Item(cmd::PlaybackRate10, "&10 frames per second"),
                                                      Item(cmd::PlaybackRate15, "1&5 frames per second"),
                                                      Item(cmd::PlaybackRate24, "&24 frames per second"),
                                                      Item(cmd::PlaybackRate30, "&30 frames per second"),
                                                      Item(cmd::PlaybackRate60, "&60 frames per second")}),
                            Popup("&Camera", {Item(cmd::CameraStandard, "&Standard (29 mm)"),
                                              Item(cmd::Camera50, "&50 mm"), Item(cmd::Camera85, "&85 mm"),
                                              Item(cmd::CameraOrthographic, "&Orthographic")}),
                            Item(cmd::ReferencePicture, "Reference &Picture..."),
                            Item(cmd::ReferencePictureOff, "&No Reference Picture"),
                            Item(cmd::ViewKeyFrames, "&Key Frames"),
                            Item(cmd::SegmentColours, "Se&gment Colours"),
                            Item(cmd::DualQuaternionSkinning, "&Dual Quaternion Skinning"),
                            Item(cmd::PlantFeet, "Feet on the Gro&und"),
                            Item(cmd::FollowFigure, "Follo&w"),
                            Item(cmd::RotationGizmo, "Rotation Gi&zmo"),
                            Item(cmd::GizmoWorldAxes, "Gizmo in World A&xes"),
                            Item(cmd::ViewBones, "Bone &List"),
                            Separator(),
                            Item(cmd::ViewFront, "&Front\tNum+1"),
                            Item(cmd::ViewSide, "S&ide\tNum+3"),
                            Item(cmd::ViewBack, "&Back\tCtrl+Num+1"),
                            Item(cmd::ViewTop, "T&op\tNum+7"),
                            Item(cmd::ViewHome, "Ho&me\tHome"),
                            Separator(),
                            Item(cmd::ViewToolbar, "&Toolbar"),
                            Item(cmd::ViewStatusBar, "&Status Bar"),
                            Separator(),
                            Item(cmd::Hierarchy, "&Hierarchy")}),
            Popup("&Modify",
                  {Popup("Mode", {normal, modify}), Separator(), Item(cmd::MirrorPose, "Mirror Pose"),
                   Item(cmd::FlipPose, "Flip Pose"), Item(cmd::ResetPose, "Reset Pose\tCtrl+R")}),
            Popup("&Help", {Item(cmd::AppAbout, "&About TervoFigurant...")}),
        };
    }();
    return menu;
}

const MenuItem& ContextMenu() {
    static const MenuItem menu =
        Popup("_POPUP_", {Item(cmd::EditUndo, "&Undo"), Separator(), Item(cmd::EditCut, "Cu&t"),
                          Item(cmd::EditCopy, "&Copy"), Item(cmd::EditPaste, "&Paste"), Separator(),
                          Popup("Modify", {Item(cmd::ContextRotate, "&Rotate ..."),
                                           Item(cmd::ContextTranslate, "&Translate ..."),
                                           Item(cmd::ContextScale, "&Scale ...")}),
                          Item(cmd::PinEnd, "&Pin\tP"), Item(cmd::ContextWizard, "&OrlendWizard ..."),
                          Item(cmd::ContextOptions, "&Options ...")});
    return menu;
}

const std::vector<int>& ToolbarButtons() {
    static const std::vector<int> buttons{cmd::FileNew,
                                          cmd::FileOpen,
                                          cmd::ImportModel,
                                          cmd::FileSave,
                                          0,
                                          cmd::EditCut,
                                          cmd::EditCopy,
                                          cmd::EditPaste,
                                          cmd::EditUndo,
                                          cmd::EditRedo,
                                          0,
                                          cmd::FilePrint,
                                          0,
                                          cmd::Hierarchy,
                                          cmd::ModeModify,
                                          0,
                                          cmd::Animate,
                                          cmd::RotateLeft,
                                          cmd::RotateRight,
                                          cmd::RotateUp,
                                          cmd::RotateDown,
                                          cmd::ZoomIn,
                                          cmd::ZoomOut,
                                          0,
                                          cmd::AppAbout};
    return buttons;
}

const std::vector<Accelerator>& Accelerators() {
    static const std::vector<Accelerator> keys{
        {"Ctrl+M", cmd::ImportModel},
        {"Ctrl+N", cmd::FileNew},
        {"Ctrl+O", cmd::FileOpen},
        {"Ctrl+S", cmd::FileSave},
        {"Ctrl+P", cmd::FilePrint},
        {"Ctrl+Z", cmd::EditUndo},
        {"Alt+Backspace", cmd::EditUndo},
        {"Ctrl+X", cmd::EditCut},
        {"Shift+Del", cmd::EditCut},
        {"Ctrl+C", cmd::EditCopy},
        {"Ctrl+Ins", cmd::EditCopy},
        {"Ctrl+V", cmd::EditPaste},
        {"Shift+Ins", cmd::EditPaste},
        {"F6", cmd::NextPane},
        {"Shift+F6", cmd::PrevPane},
        {"Ctrl+Y", cmd::EditRedo},
        {"Ctrl+Shift+Z", cmd::EditRedo},
        {"Ctrl+R", cmd::ResetPose},
        {"Num+1", cmd::ViewFront},
        {"Num+3", cmd::ViewSide},
        {"Num+7", cmd::ViewTop},
        {"Ctrl+Num+1", cmd::ViewBack},
        {"Ctrl+Num+3", cmd::ViewOtherSide},
        {"Ctrl+Num+7", cmd::ViewBottom},
        {"Home", cmd::ViewHome},
    };
    return keys;
}

} // namespace figurant::res
