// The menu's shortcuts act from every text box of a window, also where the box would take the
// key for an editing binding of its own (Ctrl+E is "end of line" under X11).
#pragma once

class QWidget;

namespace platform {

// Lets every enabled action shortcut of `window` pass the text boxes that exist now.
void letMenuShortcutsThroughBoxes(QWidget* window);

} // namespace platform
