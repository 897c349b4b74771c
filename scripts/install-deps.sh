#!/usr/bin/env bash
# Installs the Debian packages Sorbel needs to build, test and run.
# Quick when everything is present; runs apt-get only for what is missing.
set -euo pipefail

packages=(
  g++ clang libclang-rt-14-dev make cmake ninja-build pkg-config python3
  qt6-base-dev qt6-translations-l10n
  libsqlite3-dev libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic
  libreoffice-calc libreoffice-l10n-ja libreoffice-dev
  # The window tried with a real Japanese input method under an X server of its own.
  xvfb openbox xdotool dbus-x11 fcitx5 fcitx5-mozc fcitx5-frontend-qt6
  # Program folders on the drives a desktop user mounts, as image files through FUSE.
  ntfs-3g exfat-fuse exfatprogs fusefat dosfstools
  # The Debian package built and checked (scripts/package.sh, also run by make test).
  dpkg-dev lintian desktop-file-utils
  # The Windows build: cross-compiled with MinGW-w64, tested under Wine (console programs need
  # no more of Wine than wine64); tcl makes SQLite's amalgamation; locales gives Wine code page 932.
  g++-mingw-w64-x86-64-posix wine64 tcl locales
  # The Windows installer (makensis, with its Japanese language files).
  nsis
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q </dev/null
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
