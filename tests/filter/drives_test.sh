#!/usr/bin/env bash
# sorbel-filter run twice from a program folder on NTFS (ntfs-3g), exFAT (exfat-fuse) and FAT
# (fusefat) drive images: both results and their set-aside files are written, byte for byte
# as on the machine's own disk, and nothing else is left in the folder.
# Usage: drives_test.sh SORBEL_FILTER DATASOURCE_DSN CATALOGUE
# Exit 77 (skipped) when images cannot be mounted here (not root, no FUSE device, no tools).
set -euo pipefail

filter=$1 dsn=$2 sample=$3
skip() { echo "SKIPPED: $*"; exit 77; }

[[ $(id -u) -eq 0 ]] || skip "mounting drive images needs root"
[[ -c /dev/fuse ]] || skip "no FUSE device (/dev/fuse)"
for tool in mkntfs ntfs-3g mkfs.exfat mount.exfat-fuse mkfs.vfat fusefat losetup python3; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d /tmp/sorbel-drives-XXXXXX)
mounted=()
loop=
cleanup() {
  for dir in "${mounted[@]}"; do umount "$dir" 2>/dev/null || fusermount -u "$dir" 2>/dev/null || true; done
  [[ -n $loop ]] && losetup -d "$loop" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A catalogue whose result outgrows the engine's memory (kept in a file beside the program
# then), with one broken product that is set aside.
python3 - "$sample" "$work/catalogue.csv" <<'EOF'
import sys
data = open(sys.argv[1], 'rb').read()
header, body = data.split(b'\r\n', 1)
broken = b'X1,"broken"x,' + b',' * header.count(b',') + b'\r\n'
open(sys.argv[2], 'wb').write(header + b'\r\n' + broken + body * 250)
EOF

# Runs sorbel-filter twice from a copy of the program in `dir`; prints the folder's listing.
run_in() {
  local dir=$1
  mkdir -p "$dir"
  cp "$filter" "$dsn" "$dir/"
  for _ in 1 2; do
    ASAN_OPTIONS=detect_leaks=0 "$dir/sorbel-filter" --csv "$work/catalogue.csv" >/dev/null 2>"$work/stderr" ||
      { echo "FAILED in $dir:"; cat "$work/stderr"; exit 1; }
  done
}
# The folder's names, stamps made alike, so that two folders can be compared.
names() { ls -A "$1" | sed -E 's/^[0-9]{14}(_[0-9]+)?/STAMP/' | sort; }

run_in "$work/disk"
expected=$(names "$work/disk")
[[ $(grep -c _rejected <<<"$expected") -eq 4 ]] || { echo "FAILED: no set-aside files on disk"; exit 1; }

check() {
  local kind=$1 dir=$2
  run_in "$dir/prog"
  local got
  got=$(names "$dir/prog")
  if [[ $got != "$expected" ]]; then
    echo "FAILED on $kind: the folder holds"; echo "$got"; echo "instead of"; echo "$expected"; exit 1
  fi
  # The same files in the same order of names: the first run's, then the second one's.
  local -a mine=("$work/disk"/[0-9]*) theirs=("$dir/prog"/[0-9]*)
  for i in "${!mine[@]}"; do
    cmp -s "${mine[$i]}" "${theirs[$i]}" || { echo "FAILED on $kind: ${theirs[$i]} differs"; exit 1; }
  done
  echo "ok: $kind"
}

mkdir -p "$work/ntfs" "$work/exfat" "$work/fat"
truncate -s 160M "$work/ntfs.img" "$work/exfat.img" "$work/fat.img"
mkntfs -F -f -q "$work/ntfs.img" >/dev/null 2>&1
ntfs-3g "$work/ntfs.img" "$work/ntfs" || skip "ntfs-3g cannot mount here"
mounted+=("$work/ntfs")
check NTFS "$work/ntfs"

mkfs.exfat "$work/exfat.img" >/dev/null
loop=$(losetup -f --show "$work/exfat.img") || skip "no loop device for exfat-fuse"
mount.exfat-fuse "$loop" "$work/exfat" >/dev/null || skip "exfat-fuse cannot mount here"
mounted+=("$work/exfat")
check exFAT "$work/exfat"

mkfs.vfat -F 32 "$work/fat.img" >/dev/null
fusefat -o rw+ "$work/fat.img" "$work/fat" >/dev/null 2>&1 || skip "fusefat cannot mount here"
mounted+=("$work/fat")
check FAT "$work/fat"
