#!/usr/bin/env bash
# Builds the Debian package from a finished build, lists it, unpacks it into
# a temporary root and runs the programs from there; checks the desktop
# entry, the metainfo, the manual pages and the bash completion it carries.
#   package_test.sh BUILD_DIR VERSION_TEXT
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack -G DEB"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" | tee "$work/contents"
for path in usr/bin/quarnel usr/bin/quarnel-cli \
  usr/share/applications/quarnel.desktop \
  usr/share/icons/hicolor/scalable/apps/quarnel.svg \
  usr/share/metainfo/quarnel.metainfo.xml \
  usr/share/mime/packages/quarnel.xml \
  usr/share/man/man1/quarnel.1 usr/share/man/man1/quarnel-cli.1 \
  usr/share/bash-completion/completions/quarnel-cli; do
  grep -q " \./$path\$" "$work/contents" || fail "$path is not in the package"
done

# shlibdeps: the libraries the programs link, not a list kept by hand.
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libstdc++6 libqt6widgets6 libqt6core6; do
  [[ $depends == *"$library "* || $depends == *"$library" ]] || fail "Depends lacks $library"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
[ "$("$root/usr/bin/quarnel-cli" --version)" = "quarnel-cli $version" ] || fail "quarnel-cli --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/quarnel" --version)" = "Quarnel $version" ] ||
  fail "quarnel --version"
"$root/usr/bin/quarnel-cli" sample "$work/sample.rom"
"$root/usr/bin/quarnel-cli" dmi "$work/sample.rom" | grep -q "Northwind Computers Inc." ||
  fail "quarnel-cli dmi of the sample"

desktop-file-validate "$root/usr/share/applications/quarnel.desktop"
appstream-util validate-relax --nonet "$root/usr/share/metainfo/quarnel.metainfo.xml"

# The manual pages come from the programs' own --help.
grep -q '^\.TH QUARNEL-CLI "1"' "$root/usr/share/man/man1/quarnel-cli.1" || fail "quarnel-cli.1 header"
grep -q 'decompress' "$root/usr/share/man/man1/quarnel-cli.1" || fail "quarnel-cli.1 lacks the commands"
grep -q "$version" "$root/usr/share/man/man1/quarnel.1" || fail "quarnel.1 lacks the version"

# The completion reads the commands and options from the installed program.
completion=$root/usr/share/bash-completion/completions/quarnel-cli
bash -n "$completion"
commands=$(bash -c 'source "$1"; _quarnel_cli_commands "$2"' _ "$completion" "$root/usr/bin/quarnel-cli")
options=$(bash -c 'source "$1"; _quarnel_cli_options "$2" pack' _ "$completion" "$root/usr/bin/quarnel-cli")
grep -qx pack <<<"$commands" && grep -qx sample <<<"$commands" || fail "completion commands: $commands"
grep -qx -- --output <<<"$options" && grep -qx -- --uuid <<<"$options" || fail "completion options: $options"
echo "package test passed"
