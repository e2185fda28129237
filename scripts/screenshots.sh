#!/usr/bin/env bash
# Pictures of every window and dialog of Ledra, drawn offscreen (no display needed) on a sample
# catalogue made for the purpose.
# Usage: scripts/screenshots.sh [FOLDER]    (default: build/screenshots)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LEDRA_BUILD:-$root/build}
out=$(realpath -m "${1:-$build/screenshots}")

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target ledra ledra-cli >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Settings, recent list and lock of the run stay in the scratch folder.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# A sample disk: folders, photos, music and documents of assorted sizes.
disk="$work/Holiday"
mkdir -p "$disk/Photos/2024" "$disk/Music/Jazz" "$disk/Documents/Letters" "$disk/.cache"
for i in 1 2 3 9 10 11 20; do head -c $((i * 150000)) /dev/zero > "$disk/Photos/2024/IMG_$i.jpg"; done
for t in "01 Blue in Green" "02 So What" "03 Freddie Freeloader"; do
    head -c 4200000 /dev/zero > "$disk/Music/Jazz/$t.mp3"
done
head -c 52000 /dev/zero > "$disk/Documents/Budget 2024.ods"
head -c 18000 /dev/zero > "$disk/Documents/Letters/To the bank.odt"
head -c 310000 /dev/zero > "$disk/Documents/Manual.pdf"
head -c 1200 /dev/zero > "$disk/README.txt"
head -c 7340032 /dev/zero > "$disk/backup.tar.gz"
: > "$disk/.cache/state"

catalogue="$work/Sample.ldr"
cli="$build/ledra-cli"
"$cli" create "$catalogue" >/dev/null
"$cli" scan "$catalogue" "$disk" --name "Holiday 2024" --times >/dev/null
"$cli" scan "$catalogue" "$root/src" --name "Ledra sources" --times --add >/dev/null

"$build/ledra" --screenshots "$out" "$catalogue"
