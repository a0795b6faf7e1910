#!/usr/bin/env bash
# quarnel-cli.exe under wine against the Linux build, row by row on the same
# inputs: the exit status, standard output and standard error, and every
# file written, must be the same bytes. Each side works in a folder of its
# own, so the files each writes can be compared afterwards.
#
# Usage: wine_table.sh WINDOWS_EXE LINUX_CLI WORK_DIR FIRMWARE_DIR
set -uo pipefail
[ -f "$1" ] || { echo "$1 is not built (cmake --preset windows && cmake --build --preset windows): skipped"; exit 77; }
command -v wine >/dev/null || { echo "wine is not installed (scripts/deps.sh installs it)"; exit 1; }
exe=$(realpath "$1")
cli=$(realpath "$2")
work=$(realpath -m "$3")
firmware=$4

export WINEPREFIX=$work/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# Without a display wine needs none; with one it must not open any window.
unset DISPLAY WAYLAND_DISPLAY

rm -rf "$work/linux" "$work/windows"
mkdir -p "$work/linux" "$work/windows" "$WINEPREFIX"
wineserver -p 60  # one server for every row, not one started per row
trap 'wineserver -k 2>/dev/null' EXIT
# The prefix is made before the rows, so its messages stay out of theirs.
wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }

failures=0
rows=0
fail() {
    echo "FAIL: $row: $*"
    failures=$((failures + 1))
}

# run SIDE ARGS...: the command's status, output and error in SIDE.{status,out,err}.
run() {
    local side=$1
    shift
    if [ "$side" = windows ]; then
        (cd "$work/windows" && wine "$exe" "$@") >"$work/windows.out" 2>"$work/windows.err"
    else
        (cd "$work/linux" && "$cli" "$@") >"$work/linux.out" 2>"$work/linux.err"
    fi
    echo $? >"$work/$side.status"
}

same() {  # same WHAT: the two sides' WHAT files hold the same bytes
    cmp -s "$work/linux.$1" "$work/windows.$1" ||
        fail "$1 differs: linux $(head -c 300 "$work/linux.$1" | tr '\n' ' ') / windows $(head -c 300 "$work/windows.$1" | tr '\n' ' ')"
}

# row NAME ARGS...: the same arguments on both sides. $files names the files
# the command writes (compared byte for byte), $status the exit status both
# must give, $message a text standard error must hold.
row() {
    row=$1
    shift
    rows=$((rows + 1))
    run linux "$@"
    run windows "$@"
    same status
    same out
    same err
    [ -z "${status:-}" ] || [ "$(cat "$work/linux.status")" = "$status" ] ||
        fail "exit status $(cat "$work/linux.status"), not $status"
    [ -z "${message:-}" ] || grep -qF -- "$message" "$work/windows.err" || fail "no \"$message\" in: $(cat "$work/windows.err")"
    local file
    for file in ${files:-}; do
        [ -f "$work/linux/$file" ] || fail "linux wrote no $file"
        cmp -s "$work/linux/$file" "$work/windows/$file" || fail "$file differs"
    done
}

# refused NAME STATUS LINUX_MESSAGE WINDOWS_MESSAGE -- LINUX_ARGS -- WINDOWS_ARGS: a
# refusal where each system names its own file; the status and message hold.
refused() {
    row=$1
    local status=$2 linux_message=$3 windows_message=$4
    shift 5
    rows=$((rows + 1))
    local linux_args=() windows_args=()
    while [ "$1" != -- ]; do linux_args+=("$1"); shift; done
    shift
    windows_args=("$@")
    run linux "${linux_args[@]}"
    run windows "${windows_args[@]}"
    same status
    [ "$(cat "$work/windows.status")" = "$status" ] || fail "exit status $(cat "$work/windows.status"), not $status"
    grep -qF -- "$linux_message" "$work/linux.err" || fail "linux says: $(cat "$work/linux.err")"
    grep -qF -- "$windows_message" "$work/windows.err" || fail "windows says: $(cat "$work/windows.err")"
}

unicode="βιος-Zürich.rom"  # letters outside any single ANSI code page
uuid=00112233445566778899AABBCCDDEEFF

files=s.rom row "sample writes the same image" sample s.rom
row "dmi --json reads the same fields" dmi s.rom --json
files=p.rom row "pack with edits writes the same image" \
    pack s.rom -o p.rom --type1 1="ACME Corp." --type1 4=SN-0001 --type3 3=CH-0001 --uuid $uuid --threads 2
files=dmi.bin row "dmi --dump-bin writes the same table" dmi p.rom --dump-bin dmi.bin
row "pack to standard output sends the same bytes (no 0x0A made 0x0D 0x0A)" pack s.rom -o - --type1 2=Piped
status=1 row "diff --json of the edit gives the same report" diff s.rom p.rom --json
files=s.lzh row "compress --threads 2 writes the same area" compress s.rom s.lzh --threads 2
row "decompress to standard output gives the input back" decompress s.lzh -
files=$unicode row "pack to a name with non-ASCII letters, and typed Latin-1 text" \
    pack s.rom -o "$unicode" --type1 4=Zürich
row "dmi reads the file of the non-ASCII name" dmi "$unicode" --json
printf 'output,type1.4\nsub/%s,SN-1\nü.rom,SN-2\n' "$unicode" | tee "$work/linux/m.csv" >"$work/windows/m.csv"
files="outé/sub/$unicode outé/ü.rom" row "a batch writes the same files under non-ASCII folder and file names" \
    pack s.rom --batch m.csv --out-dir outé
status=2 files=s.rom message="s.rom would overwrite the input" row "an output that is its input is refused" \
    pack s.rom -o s.rom
status=2 message="./s.rom is s.rom: it would overwrite the input" \
    row "an output that is its input by another spelling is refused" rebuild s.rom -o ./s.rom
ln "$work/linux/s.rom" "$work/linux/link.rom" && ln "$work/windows/s.rom" "$work/windows/link.rom"
status=2 message="link.rom is s.rom: it would overwrite the input" \
    row "an output that is a hard link to the input is refused" pack s.rom -o link.rom
mkdir "$work/linux/folder" "$work/windows/folder"
status=4 message="Can't create folder: it is a directory, not a regular file" \
    row "a folder as output is refused" decompress s.lzh folder
status=4 message="Can't open folder: it is a directory, not a regular file" \
    row "a folder as input is refused" dmi folder
for device in NUL COM1 COM1: nul.rom 'CON' 'folder/aux.txt' '\\.\NUL'; do
    reason="it is a character device, not a regular file"
    [[ $device == '\\.\'* ]] && reason="it is a device, not a regular file"
    refused "the device name $device as output is refused, as /dev/null is" 4 \
        "Can't create /dev/null: it is a character device, not a regular file" "Can't create $device: $reason" \
        -- pack s.rom -o /dev/null -- pack s.rom -o "$device"
done
truncate -s 4G "$work/linux/huge.rom" && truncate -s 4G "$work/windows/huge.rom"
status=4 message="huge.rom: it is 4294967296 bytes long" row "a 4 GiB input is refused from its size" verify huge.rom
rm "$work/linux/huge.rom" "$work/windows/huge.rom"
refused "a missing input is named with the system's reason" 4 "Can't open missing.rom: " "Can't open missing.rom: " \
    -- dmi missing.rom -- dmi missing.rom

row="an output that is its input in other letter case is refused (Windows only: names ignore case there)"
rows=$((rows + 1))
run windows pack s.rom -o S.ROM
[ "$(cat "$work/windows.status")" = 2 ] && grep -qF "S.ROM is s.rom: it would overwrite the input" "$work/windows.err" ||
    fail "exit status $(cat "$work/windows.status"): $(cat "$work/windows.err")"

row="pack --from-system reads the table Windows gives (no Linux counterpart here)"
rows=$((rows + 1))
run windows pack s.rom -o system.rom --from-system
[ "$(cat "$work/windows.status")" = 0 ] || fail "exit status $(cat "$work/windows.status"): $(cat "$work/windows.err")"
rm -f "$work/windows/system.rom"

if [ -d "$firmware" ]; then
    for image in "$firmware"/*; do
        case $image in *.md) continue ;; esac
        row "verify $(basename "$image")" verify "$image"
        row "modules --json $(basename "$image")" modules "$image" --json
    done
else
    echo "note: $firmware is absent: the rows of the real images are skipped"
fi

row="both sides leave the same files, no temporary file among them"
rows=$((rows + 1))
(cd "$work/linux" && find . | sort) >"$work/linux.files"
(cd "$work/windows" && find . | sort) >"$work/windows.files"
same files
! grep -q '/\.quarnel-' "$work/windows.files" || fail "a temporary file is left"

echo "$rows rows, $failures failed"
[ "$failures" -eq 0 ]
