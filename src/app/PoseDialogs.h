#pragma once
// Dialogs that set values of the view: the selected joint's exact angles (Rotate), its exact move
// (Translate), and the program's settings (Options).
class QWidget;

namespace figurant {

class CKvtView;

// Each change shows at once; OK keeps the whole as one undo step, Cancel puts the pose back.
void RunRotateDialog(QWidget* parent, CKvtView& view);
void RunTranslateDialog(QWidget* parent, CKvtView& view);
// Playback speed, background colour, segment colours, the units moves are shown in, and the size
// of the pull handles; applied on OK.
void RunOptionsDialog(QWidget* parent, CKvtView& view);

} // namespace figurant
