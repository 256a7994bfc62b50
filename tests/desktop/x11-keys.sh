#!/usr/bin/env bash
# The keyboard tests once more on a real X11 display, where the text boxes have the X11 editing
# bindings (Ctrl+E is "end of line" there) that the offscreen platform lacks.
# Usage: x11-keys.sh TEST_UI. Exits 77 (skipped) when Xvfb is missing.
set -euo pipefail
command -v xvfb-run >/dev/null || { echo "skipped: xvfb-run is not installed"; exit 77; }
exec env -u QT_QPA_PLATFORM QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$1" \
    --gtest_filter='*EveryMenuShortcut*:*KeysBrowse*:*EachShortcutActsOnce*:*UndoAndRedoNameTheChange*:*ByKeyboardAlone*'
