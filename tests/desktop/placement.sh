#!/usr/bin/env bash
# Under a real window manager: the main window comes back where it was closed, start after
# start, and the entry dialog and the problem window are centred on the main window's frame.
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
printf '[ventana]\r\nleft=100\r\ntop=100\r\nfastcall=1\r\n' >"$work/app/inicio.ini"
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
    for _ in $(seq 50); do
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

for cycle in 1 2 3; do
    "$prog" --dir "$app" &
    pid=$!
    main=$(window "Buscar Personas")
    read -r x y _ <<<"$(frame "$main")"
    echo "start $cycle: main window frame at $x,$y"
    [ "$x,$y" = "100,100" ] || fail "start $cycle placed the main window at $x,$y"
    if [ "$cycle" = 1 ]; then
        keys "$main" ctrl+alt+p
        dialog=$(window "Ingresar datos de persona")
        centred "$(frame "$main")" "$(frame "$dialog")" "the entry dialog"
        keys "$dialog" Escape
        sleep 0.3
    fi
    keys "$main" alt+F4
    timeout 20 tail --pid="$pid" -f /dev/null || fail "the program did not close"
    [ "$(stored)" = "left=100 top=100 " ] || fail "closing stored $(stored)"
done

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
