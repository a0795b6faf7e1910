#!/usr/bin/env bash
# dmidecode, an independent SMBIOS reader, must find the strings and the
# UUID that quarnel-cli pack wrote. Usage: dmidecode_peer.sh QUARNEL_CLI SEABIOS_DIR
set -euo pipefail
cli=$1
seabios=$2
dmidecode=/usr/sbin/dmidecode
[ -x "$dmidecode" ] || { echo "dmidecode is not installed"; exit 77; }
[ -d "$seabios" ] || { echo "seabios is not installed in $seabios"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$cli" sample bios.rom
"$cli" pack bios.rom -o new.rom --type1 1="Peer Systems" --type1 2="PeerBook 9" \
    --type3 3="CHS-PEER-1" --type3 4="Asset-Peer" --uuid 00112233445566778899AABBCCDDEEFF
"$cli" dmi new.rom --dump-bin dump.bin
"$dmidecode" --from-dump dump.bin > decoded.txt

fail=0
expect() {
    grep -qF -- "$1" decoded.txt || { echo "dmidecode does not show: $1"; fail=1; }
}
expect "Manufacturer: Peer Systems"
expect "Product Name: PeerBook 9"
expect "Serial Number: CHS-PEER-1"
expect "Asset Tag: Asset-Peer"
expect "UUID: 00112233-4455-6677-8899-aabbccddeeff"
expect "Release Date: 03/14/2008"
[ "$fail" -eq 0 ] || cat decoded.txt

# A dump whose entry point fails its checksum: dmidecode finds no entry
# point in it, and pack takes nothing from it either.
cp dump.bin broken.bin
printf '\x7f' | dd of=broken.bin bs=1 seek=8 conv=notrunc status=none
"$dmidecode" --from-dump broken.bin | grep -q "No SMBIOS nor DMI entry point found" ||
    { echo "dmidecode reads the broken dump"; fail=1; }
if "$cli" pack bios.rom -o broken.rom --from-dump broken.bin 2>/dev/null || [ -e broken.rom ]; then
    echo "pack takes the broken dump"
    fail=1
fi
exit "$fail"
