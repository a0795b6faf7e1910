#!/usr/bin/env bash
# Both windows, the Qt one and quarnel.exe under wine, driven by xdotool on
# one Xvfb screen through the same cases (window_cases.txt): Extract, rows of
# types 3 and 1 and the UUID typed, Pack, by the keyboard and by the mouse,
# on the sample image and on every image of the firmware folder that takes
# DMI changes. Each new.rom must be the bytes quarnel-cli pack writes for the
# same edits. Then the refusals: an image without a directory, a damaged
# image and an old BIOS date show the same messages on both (quarnel.exe's
# are read by message_text.exe), nothing is written, and the old date ends
# the window.
#
# Usage: window_table.sh QT_WINDOW WINDOWS_EXE CLI DESIGN_DUMP WORK_DIR FIRMWARE_DIR
set -uo pipefail
here=$(dirname "$(realpath "$0")")
[ -f "$2" ] || { echo "$2 is not built (cmake --preset windows && cmake --build --preset windows): skipped"; exit 77; }
for tool in wine Xvfb xdotool x86_64-w64-mingw32-gcc; do
    command -v $tool >/dev/null || { echo "$tool is not installed (scripts/deps.sh installs it)"; exit 1; }
done
qt_window=$(realpath "$1")
exe=$(realpath "$2")
cli=$(realpath "$3")
work=$(realpath -m "$5")
firmware=$6

export WINEPREFIX=$work/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export QT_QPA_PLATFORM=xcb
rm -rf "$work/inputs" "$work/cli" "$work/qt" "$work/win32"
mkdir -p "$work/inputs" "$work/cli" "$work/qt" "$work/win32" "$WINEPREFIX"

: >"$work/failures"
fail() {
    echo "FAIL: $*" | tee -a "$work/failures"
}

# A screen for each window, so that the two run side by side; gone at the
# end with the wine server.
screens=()
start_screen() {  # SIDE: DISPLAY for it in $work/SIDE.display
    Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$work/$1.display" 2>"$work/$1.xvfb.log" &
    screens+=($!)
    for _ in $(seq 50); do [ -s "$work/$1.display" ] && break; sleep 0.1; done
}
start_screen qt
start_screen win32
trap 'wineserver -k 2>/dev/null; kill "${screens[@]}" 2>/dev/null' EXIT
wineserver -p 60
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
x86_64-w64-mingw32-gcc -O1 -o "$work/message_text.exe" "$here/message_text.c" || exit 1

declare -A design
while read -r name left top width height; do design[$name]="$left $top $width $height"; done < <("$4")

xdo() { timeout 20 xdotool "$@"; }
window_named() {  # the window of that title, once it shows (ten seconds at most)
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep . && return
        sleep 0.05
    done
}

# The inputs: the sample, then the firmware images that take DMI changes.
"$cli" sample "$work/inputs/sample.rom" || exit 1
images=(sample.rom sample.rom)
if [ -d "$firmware" ]; then
    n=0
    for f in "$firmware"/*; do
        "$cli" dmi "$f" 2>/dev/null | grep -q '^DMI changes supported: yes' || continue
        n=$((n + 1))
        cp "$f" "$work/inputs/fw$n.rom"
        images+=("fw$n.rom")
    done
else
    echo "$firmware is absent: the window table runs on the sample image alone"
fi

# The refusals' inputs: no directory, one module's data changed under its
# checksum, and a BIOS date before 10/25/2006.
head -c 65536 /dev/zero >"$work/inputs/nodir.rom"
cp "$work/inputs/sample.rom" "$work/inputs/damaged.rom"
read -r header size < <("$cli" modules "$work/inputs/sample.rom" | awk '$6 == "stored" { print $9, $7; exit }')
at=$((header + 64 + size / 2))
printf "$(printf '\\x%02x' $(( $(od -An -tu1 -j $at -N1 "$work/inputs/damaged.rom") ^ 1 )))" |
    dd of="$work/inputs/damaged.rom" bs=1 seek=$at conv=notrunc status=none
"$cli" extract "$work/inputs/sample.rom" 6 -o "$work/module6.bin" >/dev/null
python3 - "$work/module6.bin" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = data.index(b'American Megatrends') + 33
data[at:at + 10] = b'10/24/2006'
open(sys.argv[1], 'wb').write(data)
PY
"$cli" replace "$work/inputs/sample.rom" 6 0 0 "$work/module6.bin" -o "$work/inputs/olddate.rom" >/dev/null
for side in qt win32; do cp "$work"/inputs/*.rom "$work/$side/"; done

# --- the windows ------------------------------------------------------------

start_window() {  # SIDE: the window, started in its folder on its screen
    side=$1
    export DISPLAY=:$(cat "$work/$side.display")
    if [ "$side" = qt ]; then
        (cd "$work/qt" && exec "$qt_window") >"$work/qt.log" 2>&1 &
    else
        (cd "$work/win32" && exec wine "$exe") >"$work/win32.log" 2>&1 &
    fi
    pid=$!
    form=$(window_named "Quarnel 1.01")
    [ -n "$form" ] || { fail "$side: the window did not open"; return 1; }
    eval "$(xdo getwindowgeometry --shell "$form")"
    scale_x=$(echo "$WIDTH / 316" | bc -l)
    scale_y=$(echo "$HEIGHT / 223" | bc -l)
    xdo windowfocus --sync "$form"
}

# click CONTROL [PART]: the middle of the control as designed and scaled; the
# selector's upper or lower half.
click() {
    read -r left top width height <<<"${design[$1]}"
    local y=$((top * 2 + height))
    [ "${2:-}" = up ] && y=$((top * 2 + height / 2))
    [ "${2:-}" = down ] && y=$((top * 2 + height * 3 / 2))
    xdo mousemove --window "$form" "$(printf %.0f "$(echo "($left + $width / 2) * $scale_x" | bc -l)")" \
        "$(printf %.0f "$(echo "$y / 2 * $scale_y" | bc -l)")" click 1
}
keys() { xdo key --delay 20 "$@"; }
type_text() { xdo type --delay 10 -- "$1"; }
# Into a box by the mouse: click it, select its text, type.
click_type() {
    click "$1"
    keys End shift+Home
    type_text "$2"
}

# answer EXPECTED [read]: the message box that comes next, closed by Return;
# with "read", its text is read on Windows and compared.
answer() {
    local box text
    box=$(window_named Quarnel)
    [ -n "$box" ] || { fail "$side: no message box${1:+ for \"$1\"}"; return; }
    if [ "$side" = win32 ] && [ "${2:-}" = read ]; then
        text=$(cd "$work" && wine message_text.exe | tr -d '\r')
        [ "$text" = "$1" ] || fail "$side: message \"$text\", expected \"$1\""
    fi
    xdo windowfocus --sync "$box"
    keys Return
    for _ in $(seq 100); do timeout 5 xwininfo -id "$box" 2>/dev/null | grep -q IsViewable || return; sleep 0.05; done
    fail "$side: Return did not close the message box"
}

# Edit1 with its text selected: clicked, then left and entered again by Tab.
to_edit1() {
    click Edit1
    keys Tab shift+Tab
}

# extract_and_edit MODE IMAGE T3R1 T3R3 T1R1 T1R4 UUID, then Pack.
drive() {
    local mode=$1 image=$2
    if [ "$mode" = keyboard ]; then
        to_edit1
        type_text "$image"
        keys Tab space                          # Extract
        keys Tab Tab Tab Up Up Tab Tab          # Button2, Button3, UpDown1: type 3; Edit2, Edit3
        type_text "$3"
        keys Tab Tab
        type_text "$4"                          # Edit5
        keys shift+Tab shift+Tab shift+Tab shift+Tab Down Down Tab Tab  # UpDown1: type 1; Edit3
        type_text "$5"
        keys Tab Tab Tab
        type_text "$6"                          # Edit6
        keys Tab
        type_text "$7"                          # Edit7
        keys Tab Tab Tab space                  # Edit1, Button1, Button2: Pack
    else
        click_type Edit1 "$image"
        click Button1
        click UpDown1 up
        click UpDown1 up
        click_type Edit3 "$3"
        click_type Edit5 "$4"
        click UpDown1 down
        click UpDown1 down
        click_type Edit3 "$5"
        click_type Edit6 "$6"
        click_type Edit7 "$7"
        click Button2
    fi
}

run_side() {
    side=$1
    start_window "$side" || return
    local k=0
    for image in "${images[@]}"; do
        IFS='|' read -r mode t3r1 t3r3 t1r1 t1r4 uuid <<<"${cases[k % ${#cases[@]}]}"
        drive "$mode" "$image" "$t3r1" "$t3r3" "$t1r1" "$t1r4" "$uuid"
        answer Save
        answer "Bios file new.rom is created"
        mv "$work/$side/new.rom" "$work/$side/$k.rom" 2>/dev/null || fail "$side: $image ($mode): no new.rom"
        k=$((k + 1))
    done
    # The refusals, by the keyboard.
    to_edit1
    type_text nodir.rom
    keys Tab space
    answer "Can't open nodir.rom" read
    to_edit1
    type_text damaged.rom
    keys Tab space Tab space
    answer "$damaged_message" read
    [ -e "$work/$side/new.rom" ] && fail "$side: a damaged input was written"
    to_edit1
    type_text olddate.rom
    keys Tab space
    answer "Bios DONT support DMI changes" read
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && { fail "$side: the window stayed after an unsupported BIOS"; kill "$pid"; }
}

mapfile -t cases < <(grep -v '^#' "$here/window_cases.txt")

# What quarnel-cli says of the damaged input, and writes for the same edits
# while the windows run.
damaged_message=$(cd "$work/inputs" && "$cli" pack damaged.rom -o "$work/cli/damaged.rom" 2>&1 >/dev/null |
                  sed 's/^quarnel-cli: //')
pack_with_cli() {
    local k=0 mode t3r1 t3r3 t1r1 t1r4 uuid
    for image in "${images[@]}"; do
        IFS='|' read -r mode t3r1 t3r3 t1r1 t1r4 uuid <<<"${cases[k % ${#cases[@]}]}"
        (cd "$work/cli" && "$cli" pack "../inputs/$image" -o "$k.rom" --type3 1="$t3r1" --type3 3="$t3r3" \
            --type1 1="$t1r1" --type1 4="$t1r4" --uuid "$uuid" >/dev/null 2>&1) || fail "quarnel-cli pack $image failed"
        k=$((k + 1))
    done
}

pack_with_cli &
cli_side=$!
run_side qt &
qt_side=$!
run_side win32
wait $qt_side $cli_side
wineserver -k 2>/dev/null

k=0
for image in "${images[@]}"; do
    for side in qt win32; do
        cmp -s "$work/cli/$k.rom" "$work/$side/$k.rom" ||
            fail "$side: $image (case $((k + 1))): new.rom is not what quarnel-cli pack writes"
    done
    k=$((k + 1))
done
failures=$(wc -l <"$work/failures")
echo "${#images[@]} images through both windows; $failures failures"
[ "$failures" -eq 0 ]
