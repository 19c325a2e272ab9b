#pragma once
// What the program's logic asks of the windowing framework. The application implements it on
// Qt; tests use a scripted implementation. All calls come on the user-interface thread.
#include <array>
#include <optional>
#include <string>

namespace figurant {

struct FileDialogRequest {
    bool open = true; // open dialog (the file must exist) or save dialog (asks before overwriting)
    std::string defaultExtension; // without the dot
    std::string initialName;
    std::string filter;  // "Description|pattern|...||"
    bool folder = false; // choose a folder instead of a file
};

// The choices of an export, proposed to the user and returned as chosen.
struct ExportOptions {
    enum class Kind { Picture, Frames, Bvh, Gltf, Control } kind = Kind::Picture;
    static constexpr int kMaxSide = 4096; // the largest picture side an export draws
    int width = 0, height = 0;            // pictures and frames, in pixels
    enum class Background { AsShown, White, Transparent } background = Background::AsShown;
    int framesPerSecond = 30;    // frames, BVH and glTF with an animation
    bool video = false;          // frames: an MP4 as well
    bool videoAvailable = false; // ffmpeg is installed
    bool centimetres = false;    // BVH
    // BVH and glTF: the joints' names (the program's, glTF avatar humanoid, motion capture), in the
    // order of the exporters' JointNaming.
    enum class Naming { Program, Humanoid, MotionCapture } naming = Naming::Program;
    bool animation = false; // an animation is loaded (its frames are exported)
    bool ownNames = false;  // glTF: the joints keep the character's own bone names (no choice)
    // Control pictures: which are made (keypoints, skeleton, depth, normal, segments, lit picture),
    // the 25-point layout instead of the 18-point one, and the reference picture behind the lit one.
    std::array<bool, 6> controls{true, true, true, true, true, true};
    bool body25 = false;
    bool normalRightInRed = false; // normal.png's other convention
    bool withReference = false, referenceAvailable = false;
};

// The answer to a question whether to keep work before it is let go.
enum class SaveAnswer { Save, Discard, Cancel };

// The modal dialogs the program shows; the application implements them on Qt, tests script them.
class IDialogs {
  public:
    virtual ~IDialogs() = default;
    virtual void MessageBox(const std::string& text) = 0;
    // A question with Save, Discard and Cancel buttons.
    virtual SaveAnswer AskToSave(const std::string& text) = 0;
    virtual std::optional<std::string> FileDialog(const FileDialogRequest& request) = 0;
    virtual void PrinterSetup() = 0;
    // The export's options with the proposed values filled in; nothing on Cancel.
    virtual std::optional<ExportOptions> ExportOptionsDialog(const ExportOptions& proposed) = 0;
    // A long task's progress in a dialog with Cancel (shown after a moment, closed when done
    // reaches total); false once the user cancelled.
    virtual bool Progress(const std::string& text, int done, int total) = 0;
    // The same for work that cannot stop halfway (reading a model): no Cancel.
    virtual void Busy(const std::string& text, int done, int total) = 0;
    // A whole percentage from 0 to 100, proposed as `value`; nothing on Cancel.
    virtual std::optional<int> AskPercent(const std::string& /*text*/, int value) { return value; }
};

class IWindowServices {
  public:
    virtual ~IWindowServices() = default;
    // Modal message box with an OK button, captioned with the application title.
    virtual void MessageBox(const std::string& text) = 0;
    virtual SaveAnswer AskToSave(const std::string& text) = 0;
    // The chosen full path, or nothing on Cancel.
    virtual std::optional<std::string> FileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<ExportOptions> ExportOptionsDialog(const ExportOptions& proposed) = 0;
    virtual bool Progress(const std::string& text, int done, int total) = 0;
    virtual void Busy(const std::string& text, int done, int total) = 0;
    virtual std::optional<int> AskPercent(const std::string& /*text*/, int value) { return value; }
    // Every view's update handler runs before this returns.
    virtual void UpdateAllViews(int hint) = 0;
    virtual void CheckToolButton(int commandId, bool pressed) = 0;
    virtual void EnableToolButton(int commandId, bool enabled) = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // The status bar's standing texts; empty clears one.
    enum class StatusPane { Mode, Selection, Animation };
    virtual void SetStatusText(StatusPane pane, const std::string& text) = 0;
    // A passing note in the status bar ("4,674 faces, 16 segments").
    virtual void ShowStatusMessage(const std::string& text) = 0;
    // The user's remembered settings ("View/Lens"): empty when never set.
    virtual std::string Setting(const std::string& /*key*/) { return {}; }
    virtual void SaveSetting(const std::string& /*key*/, const std::string& /*value*/) {}
};

} // namespace figurant
