#!/bin/sh
# Real-screen checks: starts the real programs under Xvfb with the openbox window manager,
# drives them with xdotool and looks at screenshots the way a person would look at the screen:
#   1. tarvik: the progress window "Generierung" shows its text and bar during a long run
#      and again after another window covered it (the run is made long by strace, which
#      holds each opening of one file of the copied template for a few seconds);
#   2. korvane: a refused field entry shows exactly one message;
#   3. korvane: the "USB860-Test" window shows its rows while the self-test runs (against
#      testsystem-sim with slow transfers).
# Usage: scripts/real-screen-test.sh BUILD_DIR. Exit 77 (skipped) without Xvfb or its tools.
set -eu
build="$(cd "${1:?Aufruf: real-screen-test.sh BUILD_DIR}" && pwd)"

for tool in Xvfb openbox xdotool xwininfo xlogo import convert strace; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "real-screen-test: $tool fehlt, Prüfung am echten Bildschirm übersprungen"
        exit 77
    fi
done

work="$(mktemp -d /tmp/real-screen-test.XXXXXX)"
pids=""
cleanup() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $pids; do
        wait "$pid" 2>/dev/null || true
    done
    [ -n "${REAL_SCREEN_KEEP:-}" ] && cp "$work"/*.png "$REAL_SCREEN_KEEP"/ 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    import -window root "$work/failure.png" 2>/dev/null || true
    echo "real-screen-test: FEHLER: $*" >&2
    tail -n 5 "$work"/*.log >&2 2>/dev/null || true
    for shot in "$work"/*.png; do
        [ -e "$shot" ] && cp "$shot" "$build/real-screen-$(basename "$shot")"
    done
    echo "real-screen-test: Bildschirmfotos in $build/real-screen-*.png" >&2
    exit 1
}

# A display of our own: Xvfb picks a free number and tells it through the file descriptor.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids="$!"
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb startet nicht: $(cat "$work/xvfb.log")"
DISPLAY=":$(cat "$work/display")"
export DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
openbox >"$work/openbox.log" 2>&1 &
pids="$pids $!"
sleep 1

# Waits up to 15 s for a visible window whose name matches; prints its id.
window() {
    for _ in $(seq 150); do
        found="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1)"
        if [ -n "$found" ]; then
            echo "$found"
            return
        fi
        sleep 0.1
    done
}

# Screenshot of the whole screen.
shot() {
    import -window root "$work/$1.png"
}

# The client area of a window as WIDTHxHEIGHT+X+Y on the screen.
area() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /^  Width/ {w=$2} /^  Height/ {h=$2} END {printf "%dx%d+%d+%d", w, h, x, y}'
}

# Pixels of the area that lie near the colour (within the fuzz); marked magenta first.
pixels() { # shot area colour
    convert "$work/$1.png" -crop "$2" +repage -fuzz 12% -fill magenta -opaque "$3" -fuzz 0 \
        -fill black +opaque magenta -fill white -opaque magenta \
        -format "%[fx:round(mean*w*h)]" info:
}

# Dark pixels of the area (text).
dark() { # shot area
    convert "$work/$1.png" -crop "$2" +repage -colorspace Gray -threshold 35% \
        -format "%[fx:round((1-mean)*w*h)]" info:
}

# Mean brightness of the area, 0 (black) to 1000 (white).
brightness() { # shot area
    convert "$work/$1.png" -crop "$2" +repage -colorspace Gray -format "%[fx:round(mean*1000)]" info:
}

# The progress window is painted: light background, text, and a blue main bar.
check_progress_painted() { # shot area what
    light="$(brightness "$1" "$2")"
    [ "$light" -gt 600 ] || fail "$3: Fortschrittsfenster nicht gezeichnet (Helligkeit $light)"
    text="$(dark "$1" "$2")"
    [ "$text" -gt 150 ] || fail "$3: Fortschrittsfenster ohne Text ($text dunkle Punkte)"
    bar="$(pixels "$1" "$2" '#3599d9')"
    [ "$bar" -gt 100 ] || fail "$3: Fortschrittsfenster ohne Balken ($bar blaue Punkte)"
}

# ---------------------------------------------------------------- tarvik

progress_shown() {
    xdotool search --onlyvisible --name '^Generierung$' >/dev/null 2>&1
}

# Covers the screen with another window, uncovers it and takes the screenshot
# progress-uncovered; false when the progress window was not shown all the while.
cover_and_uncover() {
    progress_shown || return 1
    xlogo -geometry 900x700+100+100 &
    cover=$!
    pids="$pids $cover"
    [ -n "$(window '^xlogo$')" ] || fail "xlogo erscheint nicht"
    kill "$cover"
    sleep 0.5
    progress_shown || return 1
    shot progress-uncovered
    progress_shown
}

tarvik_progress() {
    program="$work/tarvik"
    mkdir -p "$program" "$work/home/Testmappen"
    cp "$build/tarvik/tarvik" "$build/tarvik/version.txt" "$program/"
    cp -r "$build/tarvik/TM_SEL_TEMPLATE" "$build/tarvik/TM_CAL_TEMPLATE" "$program/"
    # A slow file in the template: the copy of each Testmappe waits seconds to open it, as
    # it would for a large picture on a slow disk.
    slow="$program/TM_SEL_TEMPLATE/bild.bin"
    head -c 100000 /dev/zero >"$slow"

    HOME="$work/home" strace -f -qq -o /dev/null -P "$slow" -e trace=open,openat \
        -e inject=open,openat:delay_exit=3000000 "$program/tarvik" -i >"$work/tarvik.log" 2>&1 &
    tarvik=$!
    pids="$pids $tarvik"
    [ -n "$(window '^Systemauswahl$')" ] || fail "tarvik: keine Systemauswahl"
    xdotool key Escape # no choice: an 860 system
    main="$(window '^Kontrollwerk ')"
    [ -n "$main" ] || fail "tarvik: kein Hauptdialog"
    [ -n "$(window '^Tarvik$')" ] || fail "tarvik: keine Frage nach dem XAB-60V"
    xdotool key Return # "Nein"
    sleep 0.5
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool key Return # "Generieren", the default button
    progress="$(window '^Generierung$')"
    [ -n "$progress" ] || fail "tarvik: kein Fortschrittsfenster"
    sleep 0.3
    box="$(area "$progress")"
    shot progress-running
    check_progress_painted progress-running "$box" "während des Laufs"

    # Covered by another window and uncovered again: painted anew. The run hides the window
    # for a moment between two Testmappen; a sample that falls there is taken again.
    checked=""
    for _ in 1 2 3 4; do
        if cover_and_uncover; then
            check_progress_painted progress-uncovered "$box" "nach dem Aufdecken"
            checked=yes
            break
        fi
        sleep 0.3
    done
    [ -n "$checked" ] || fail "tarvik: der Lauf war zu kurz für die Prüfung"

    # The run ends with its message; OK closes the program.
    timeout 60 sh -c 'until xdotool search --onlyvisible --name "^Tarvik$" >/dev/null; do
        sleep 0.2; done' || fail "tarvik: keine Meldung am Ende des Laufs"
    xdotool key Return
    timeout 15 sh -c "while kill -0 $tarvik 2>/dev/null; do sleep 0.2; done" ||
        fail "tarvik endet nicht"
    [ -f "$work/home/Testmappen/TM_TARVIK_IST/tarvik.sysinfo" ] ||
        fail "tarvik: die Testmappen fehlen"
    echo "real-screen-test: tarvik-Fortschrittsfenster gezeichnet, auch nach dem Aufdecken"
}

# ---------------------------------------------------------------- korvane

korvane_start() {
    devices="$work/devices"
    mkdir -m 700 "$devices"
    cat >"$work/selbsttest.rack" <<'EOF'
adapter usb860 serial=860042 speed=high selftest-board
kind 1
0 31 0
fault delay 15
EOF
    "$build/sim/testsystem-sim" --dir "$devices" "$work/selbsttest.rack" >"$work/sim.log" 2>&1 &
    pids="$pids $!"
    sleep 0.5
    KONTROLLWERK_DEVICE_DIR="$devices" "$build/korvane/korvane" >"$work/korvane.log" 2>&1 &
    korvane=$!
    pids="$pids $korvane"
    main="$(window '^Korvane$')"
    [ -n "$main" ] || fail "korvane: kein Hauptdialog ($(cat "$work/korvane.log"))"
    xdotool windowactivate --sync "$main" 2>/dev/null || true
}

# Visible windows named "Korvane": the main dialog and its message boxes.
korvane_windows() {
    xdotool search --onlyvisible --name '^Korvane$' 2>/dev/null | wc -l
}

korvane_refusal() {
    xdotool key alt+k ctrl+a # "&Kartenadresse:"
    xdotool type 64
    xdotool key Tab
    sleep 1
    shot refusal
    count=$(($(korvane_windows) - 1))
    [ "$count" -eq 1 ] || fail "korvane: $count Meldungen nach einer abgewiesenen Eingabe"
    xdotool key Return
    sleep 1
    count=$(($(korvane_windows) - 1))
    [ "$count" -eq 0 ] || fail "korvane: nach OK noch $count Meldungen"
    xdotool key ctrl+a # the refused entry stays in the field, selected: corrected
    xdotool type 1
    echo "real-screen-test: korvane zeigt eine abgewiesene Eingabe genau einmal an"
}

korvane_self_test() {
    xdotool key ctrl+k # unlocks "Test"
    xdotool key alt+s shift+Tab space # "Test" stands before "&Systemadresse:"
    question="$(window '^Korvane$')"
    sleep 0.5
    xdotool key Left space # "OK" of the question about the self-test board
    test="$(window '^USB860-Test$')"
    [ -n "$test" ] || fail "korvane: kein USB860-Test-Fenster"
    sleep 0.8
    box="$(area "$test")"
    shot self-test-running
    light="$(brightness self-test-running "$box")"
    [ "$light" -gt 600 ] || fail "korvane: USB860-Test nicht gezeichnet (Helligkeit $light)"
    running="$(pixels self-test-running "$box" '#0000ff')"
    [ "$running" -gt 50 ] || fail "korvane: USB860-Test zeigt keinen Fortschritt ($running)"
    echo "real-screen-test: korvane zeigt das USB860-Test-Fenster während des Tests"
    : "$question"
}

tarvik_progress
korvane_start
korvane_refusal
korvane_self_test
echo "real-screen-test: alle Prüfungen bestanden"
