#pragma once
// The program's own toolbar bitmaps (16 x 15) and application icon, drawn at start-up so they
// never depend on an icon theme that may be missing.
#include <QIcon>

namespace figurant {

QIcon ToolbarIcon(int commandId);
QIcon ApplicationIcon();

} // namespace figurant
