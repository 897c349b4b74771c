#!/usr/bin/env bash
# Builds the Debian package (sorbel_<version>_amd64.deb) in a Release build folder of its own
# and checks it as Debian does: desktop-file-validate on the packaged menu entry, lintian on the
# package (no error, no warning). make test runs it too (tests/packaging/package_test.sh).
set -euo pipefail
dir=${1:-build/package}
source_dir=$(cd "$(dirname "$0")/.." && pwd)

missing=()
for p in lintian desktop-file-utils dpkg-dev; do
  [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true) == "install ok installed" ]] ||
    missing+=("$p")
done
if ((${#missing[@]} > 0)); then
  sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}" </dev/null
fi

cmake -S "$source_dir" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSORBEL_TESTS=OFF \
  -DSORBEL_BENCH=OFF -DSORBEL_PACKAGE=ON -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$dir" -j "$(nproc)"
(cd "$dir" && cpack -G DEB)
deb=$(ls "$dir"/sorbel_*_amd64.deb)
# The menu entry as the package holds it.
entry=$(mktemp -d)
trap 'rm -rf "$entry"' EXIT
dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$entry" ./usr/share/applications/sorbel.desktop
# It exits 0 on warnings and hints: any message fails.
if ! messages=$(desktop-file-validate "$entry/usr/share/applications/sorbel.desktop" 2>&1) ||
  [[ -n $messages ]]; then
  echo "desktop-file-validate: $messages" >&2
  exit 1
fi
# Errors and warnings fail the package (docs/packaging.md, Lintian).
lintian --fail-on error,warning --info "$deb"
echo "package: $deb"
