#!/usr/bin/env bash
# The Debian package as make test checks it (scripts/test.sh runs this last):
# - built and checked by scripts/package.sh: desktop-file-validate on the packaged menu entry,
#   lintian without errors or warnings;
# - unpacked with dpkg-deb -x, not installed: every program and the module find each library
#   they need;
# - the unpacked sorbel-filter, run with a scratch HOME, works as an installed one does: in
#   $HOME/Documents/Sorbel, made on first use with the shipped datasource.dsn copied in; its
#   result is byte for byte the build tree's sorbel-filter's for the same catalogue and
#   conditions, and both program folders end up holding the same files.
# Usage: package_test.sh [PACKAGE_BUILD_DIR]   (default build/package, as make package)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
dir=${1:-build/package}
fail() { echo "package_test: FAILED: $*" >&2; exit 1; }

"$source_dir/scripts/package.sh" "$dir"
deb=$(ls "$dir"/sorbel_*_amd64.deb)

work=$(mktemp -d /tmp/sorbel-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
dpkg-deb -x "$deb" "$tree"

# The libraries. The programs in /usr/bin from the system's folders alone; the module and the
# office watch in /usr/lib/sorbel with LibreOffice's program folder, as they are loaded: the
# programs load the UNO runtime from there by path before the module, and the module starts
# the watch with it in LD_LIBRARY_PATH (docs/packaging.md).
while IFS= read -r -d '' file; do
  cmp -s -n 4 "$file" <(printf '\177ELF') || continue
  case $file in
    "$tree"/usr/lib/sorbel/*) found=$(LD_LIBRARY_PATH=/usr/lib/libreoffice/program ldd "$file") ;;
    *) found=$(env -u LD_LIBRARY_PATH ldd "$file") ;;
  esac
  ! grep 'not found' <<<"$found" || fail "${file#"$tree"} misses a library"
done < <(find "$tree" -type f -print0)

# The same run by both programs. The result's code page follows the locale: the same for both.
export LC_ALL=C.UTF-8
catalogue=$source_dir/samples/article.csv
conditions=(--category 家電 --free-shipping)

# The build tree's program from a folder with datasource.dsn beside it, where it works.
mkdir "$work/reference"
cp "$dir/cli/sorbel-filter" "$dir/cli/datasource.dsn" "$work/reference/"
expected=$("$work/reference/sorbel-filter" --csv "$catalogue" "${conditions[@]}" </dev/null) ||
  fail "the build tree's sorbel-filter failed"

# The unpacked program has no datasource.dsn beside it, so it takes <documents>/Sorbel: with no
# user-dirs.dirs in the scratch HOME, $HOME/Documents/Sorbel. It copies datasource.dsn from the
# data folder fixed at build time, /usr/share/sorbel, which an unpacked tree lacks: it runs in
# a mount namespace of its own where the tree's usr/share lies over /usr/share (a read-only
# overlay), so it finds the package's file where an installed program does, and nothing
# outside the namespace changes. Where no namespace can be made (not root, no user
# namespaces), the file is put into the documents folder by hand instead.
home=$work/home
folder=$home/Documents/Sorbel
mkdir "$home"
namespace=(unshare --mount)
[[ $(id -u) -eq 0 ]] || namespace=(unshare --map-root-user --mount)
# shellcheck disable=SC2016  # expanded by the shell in the namespace
overlay='mount -t overlay sorbel-package -o "lowerdir=$0/usr/share:/usr/share" /usr/share && exec "$@"'
if "${namespace[@]}" sh -c "$overlay" "$tree" test -f /usr/share/sorbel/datasource.dsn 2>/dev/null; then
  in_package=("${namespace[@]}" sh -c "$overlay" "$tree")
else
  echo "package_test: no mount namespace here; datasource.dsn put into $folder by hand"
  mkdir -p "$folder"
  cp "$tree/usr/share/sorbel/datasource.dsn" "$folder/"
  in_package=()
fi
got=$(env -u XDG_CONFIG_HOME HOME="$home" "${in_package[@]}" \
  "$tree/usr/bin/sorbel-filter" --csv "$catalogue" "${conditions[@]}" </dev/null) ||
  fail "the unpacked sorbel-filter failed"

[[ $got == "$folder"/[0-9]*_articles.csv && -f $got ]] || fail "result at $got, not in $folder"
cmp "$tree/usr/share/sorbel/datasource.dsn" "$folder/datasource.dsn" ||
  fail "$folder/datasource.dsn is not the shipped one"
cmp "$expected" "$got" || fail "the unpacked program's result differs from the build tree's"
# The folders' names, stamps made alike: the same files, nothing more (the program aside).
names() {
  find "$1" -mindepth 1 -maxdepth 1 ! -name sorbel-filter -printf '%f\n' |
    sed -E 's/^[0-9]{14}(_[0-9]+)?/STAMP/' | sort
}
[[ $(names "$folder") == "$(names "$work/reference")" ]] ||
  fail "$folder holds $(names "$folder" | tr '\n' ' ')instead of $(names "$work/reference" | tr '\n' ' ')"
[[ $(ls -A "$home") == Documents && $(ls -A "$home/Documents") == Sorbel ]] ||
  fail "the run wrote elsewhere in HOME: $(cd "$home" && find . -mindepth 1 | tr '\n' ' ')"
products=$(python3 -c 'import csv, sys; print(sum(1 for _ in csv.reader(open(sys.argv[1], newline=""))) - 1)' "$got")
((products > 0)) || fail "the result holds no product"
echo "package_test: ok ($products products, the same bytes as the build tree's sorbel-filter)"
