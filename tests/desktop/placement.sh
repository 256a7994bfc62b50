#!/usr/bin/env bash
# Under a real window manager: the main window comes back where it was closed, start after
# start, with the quick-view bar shown and hidden; without a stored position it is centred; a
# stored position off the screen brings it back wholly onto the screen; the entry dialog, the
# dialer, the about window, the preferences and the problem window are centred on the main
# window's frame, the print sheet on the screen.
# Usage: placement.sh PROGRAM. Exits 77 (skipped) when Xvfb or the window tools are missing.
# TEVO_XVFB_DISPLAY picks the X display number; otherwise the first free one from 99 up.
set -euo pipefail
for tool in xvfb-run Xvfb xauth openbox xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
prog=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/app" "$work/config/tevosoft"
: >"$work/app/persona1.dat"
: >"$work/app/empresa1.dat"
printf '[General]\nifttyuag=0\nisruning=0\n' >"$work/config/tevosoft/zuzovi2.conf"
server=(-a)
[ -n "${TEVO_XVFB_DISPLAY:-}" ] && server=(-n "$TEVO_XVFB_DISPLAY")

env -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" \
    xvfb-run "${server[@]}" -s "-screen 0 1024x768x24" bash -c '
set -euo pipefail
prog=$1 app=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
openbox >/dev/null 2>&1 &
wm=$!
trap "kill $wm 2>/dev/null || true" EXIT
# The window manager announces itself before it is ready to frame windows.
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
sleep 1

window() {
    local id
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" | tail -1) ||
        fail "no window named \"$1\" appeared"
    echo "$id"
}
keys() { # window key...: the keys go to that window once it has the focus
    local id=$1
    shift
    timeout 10 xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
    xdotool key "$@"
}
# Frame of a window: "left top width height", once the window manager has framed it.
frame() {
    local ext=""
    for _ in $(seq 100); do
        ext=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n "s/.*= //p" | tr -d " ")
        [ -n "$ext" ] && break
        sleep 0.1
    done
    [ -n "$ext" ] || fail "window $1 was never framed"
    sleep 0.3
    IFS=, read -r l r t b <<<"$ext"
    xwininfo -id "$1" | awk -v l="$l" -v r="$r" -v t="$t" -v b="$b" "
        /Absolute upper-left X/ {x = \$4} /Absolute upper-left Y/ {y = \$4}
        /Width:/ {w = \$2} /Height:/ {h = \$2}
        END {print x - l, y - t, w + l + r, h + t + b}"
}
centred() { # main-frame own-frame: fails unless own is centred on main, halves truncated
    read -r mx my mw mh <<<"$1"
    read -r ox oy ow oh <<<"$2"
    [ "$ox $oy" = "$((mx + (mw - ow) / 2)) $((my + (mh - oh) / 2))" ] ||
        fail "$3 at $ox,$oy, not centred on the main window at $mx,$my ${mw}x$mh"
}
stored() { tr -d "\r" <"$app/inicio.ini" | grep -E "^(left|top)=" | tr "\n" " "; }
settings() { { printf "[ventana]\r\n"; printf "%s\r\n" "$@"; } >"$app/inicio.ini"; }
start() { # starts the program; sets pid, main (the window) and at (its frame: x y w h)
    "$prog" --dir "$app" &
    pid=$!
    main=$(window "Buscar Personas")
    at=$(frame "$main")
}
close() { # closes the main window with the keyboard, as a person would
    keys "$main" alt+F4
    timeout 20 tail --pid="$pid" -f /dev/null || fail "the program did not close"
}

# The position holds, start after start, with the bar shown (full width) and hidden (narrowed
# at start-up).
for fastcall in 1 0; do
    settings left=100 top=100 fastcall=$fastcall
    for cycle in 1 2 3; do
        start
        read -r x y w _ <<<"$at"
        echo "fastcall=$fastcall start $cycle: main window frame at $x,$y, $w wide"
        [ "$x,$y" = "100,100" ] || fail "fastcall=$fastcall start $cycle placed the window at $x,$y"
        if [ "$fastcall$cycle" = 11 ]; then
            keys "$main" ctrl+alt+p
            dialog=$(window "Ingresar datos de persona")
            centred "$at" "$(frame "$dialog")" "the entry dialog"
            # A record to dial and print: a name, OK, and "Sí" to the question.
            timeout 10 xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
            xdotool type ANA
            xdotool key Return
            keys "$(window "^Tevo Riviva 2$")" Return
            for _ in $(seq 50); do [ -s "$app/persona1.dat" ] && break; sleep 0.1; done
            [ -s "$app/persona1.dat" ] || fail "the entry dialog stored no record"
            sleep 0.3
            keys "$(window "Ingresar datos")" Escape
            sleep 0.3
            # Every other secondary window opened from the main window, by its keys.
            for opener in "ctrl+t|^Marcar n" "alt+u a|Acerca de Tevo Riviva" \
                "ctrl+o|Preferencias de Tevo Riviva"; do
                # shellcheck disable=SC2086
                keys "$main" ${opener%%|*}
                other=$(window "${opener#*|}")
                centred "$at" "$(frame "$other")" "the window \"${opener#*|}\""
                keys "$other" Escape
                timeout 10 xdotool search --sync --onlyvisible --name "Buscar Personas" >/dev/null
                sleep 0.3
            done
            # The print sheet stands in the middle of the screen instead.
            keys "$main" ctrl+i
            sheet=$(window "Imprimir registro")
            read -r sx sy _ <<<"$(frame "$sheet")"
            read -r sw sh <<<"$(xwininfo -id "$sheet" | awk "/Width:/ {w = \$2} /Height:/ {h = \$2} END {print w, h}")"
            [ "$sx,$sy" = "$(((1024 - sw) / 2)),$(((768 - sh) / 2))" ] ||
                fail "the print sheet at $sx,$sy, not in the middle of the screen for ${sw}x$sh"
            keys "$sheet" Escape
            sleep 0.3
        fi
        close
        [ "$(stored)" = "left=100 top=100 " ] || fail "closing stored $(stored)"
    done
done

# No stored position: the window is placed with its top-left corner at half the screen less half the
# window, both halvings truncated, at the width it appears with.
for fastcall in 1 0; do
    settings fastcall=$fastcall
    start
    read -r x y _ <<<"$at"
    read -r w h <<<"$(xwininfo -id "$main" | awk "/Width:/ {w = \$2} /Height:/ {h = \$2} END {print w, h}")"
    echo "fastcall=$fastcall, no position: frame at $x,$y, inside ${w}x$h"
    [ "$x,$y" = "$((1024 / 2 - w / 2)),$((768 / 2 - h / 2))" ] ||
        fail "without a stored position the window is at $x,$y, not centred"
    close
    [ "$(stored)" = "left=$x top=$y " ] || fail "closing the centred window stored $(stored)"
done

# A position left on a screen that is gone, or partly beyond the edge: the whole frame comes
# back onto the screen, and stays there at the next start.
for position in "left=-30000 top=100" "left=900 top=700" "left=-30000 top=-30000"; do
    for fastcall in 1 0; do
        # shellcheck disable=SC2086
        settings $position fastcall=$fastcall
        start
        read -r x y w h <<<"$at"
        echo "$position fastcall=$fastcall: frame at $x,$y ${w}x$h"
        [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1024 ] && [ $((y + h)) -le 768 ] ||
            fail "stored $position left the frame at $x,$y ${w}x$h, not wholly on the screen"
        close
        [ "$(stored)" = "left=$x top=$y " ] || fail "closing the pulled-in window stored $(stored)"
        [ "$position $fastcall" = "left=900 top=700 1" ] || continue
        start
        [ "$at" = "$x $y $w $h" ] || fail "the pulled-in window moved to $at at the next start"
        close
    done
done

settings left=100 top=100 fastcall=1
chmod a-w "$app/empresa1.dat"
"$prog" --dir "$app" &
pid=$!
box=$(window "No se puede utilizar")
sleep 0.3
keys "$box" Return
problem=$(window "Sugerencias")
main=$(timeout 20 xdotool search --onlyvisible --pid "$pid" --name "^Tevo Riviva 2$" | head -1)
centred "$(frame "$main")" "$(frame "$problem")" "the problem window"
kill "$pid"
echo "placement holds under the window manager"
' _ "$prog" "$work/app"
