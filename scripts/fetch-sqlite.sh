#!/usr/bin/env bash
# Makes SQLite's amalgamation (sqlite3.c, sqlite3.h) for the Windows build from Debian's source
# package of the very version the Linux build links; once, into a cache under build/.
#
# Usage: scripts/fetch-sqlite.sh [cache-root]   (default build/windows-deps)
# Prints the folder holding sqlite3.c and sqlite3.h. apt runs with a configuration of its own
# under the cache root, so the machine's sources and package lists stay as they are.
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/.." && pwd)
cache=${1:-$root_dir/build/windows-deps}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)

# The Linux build's SQLite: the Windows one must behave the same.
full_version=$(dpkg-query -W -f='${Version}' libsqlite3-dev 2>/dev/null || true)
if [[ -z "$full_version" ]]; then
  echo "fetch-sqlite: libsqlite3-dev is not installed (scripts/install-deps.sh)" >&2
  exit 1
fi
upstream=${full_version%%-*}
out="$cache/sqlite-$upstream"
if [[ -f "$out/sqlite3.c" && -f "$out/sqlite3.h" ]]; then
  echo "$out"
  exit 0
fi

for tool in tclsh dpkg-source make; do
  command -v "$tool" >/dev/null || { echo "fetch-sqlite: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

# deb-src entries for the mirrors and suites the machine's own deb entries use.
apt_dir="$cache/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
sources="$apt_dir/sources.list"
{
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f "$f" ]] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$f" ]] || continue
    # deb822 stanzas: one deb-src line per URI and suite of each stanza of type deb.
    awk '
      function flush() {
        if (types ~ /(^| )deb( |$)/) {
          n = split(uris, u, " "); m = split(suites, s, " ")
          for (i = 1; i <= n; i++) for (j = 1; j <= m; j++) {
            opt = signed == "" ? "" : "[signed-by=" signed "] "
            print "deb-src " opt u[i] " " s[j] " " comps
          }
        }
        types = uris = suites = comps = signed = ""
      }
      /^[[:space:]]*$/ { flush(); next }
      /^#/ { next }
      /^Types:/ { sub(/^Types:[[:space:]]*/, ""); types = $0 }
      /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
      /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
      /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
      /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signed = $0 }
      END { flush() }
    ' "$f"
  done
} >"$sources"
if [[ ! -s "$sources" ]]; then
  echo "fetch-sqlite: no apt sources found in /etc/apt" >&2
  exit 1
fi

apt_options=(
  -o Dir::Etc::SourceList="$sources" -o Dir::Etc::SourceParts=-
  -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
  -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)"
)
apt-get "${apt_options[@]}" -q update >"$apt_dir/update.log" 2>&1 || {
  cat "$apt_dir/update.log" >&2
  exit 1
}

work="$cache/sqlite-src"
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && apt-get "${apt_options[@]}" -q source --download-only "sqlite3=$full_version") \
  >"$apt_dir/source.log" 2>&1 || {
  cat "$apt_dir/source.log" >&2
  exit 1
}
# Debian's patches applied, as in the library the Linux build links.
(cd "$work" && dpkg-source --no-check -x ./*.dsc tree) >"$apt_dir/unpack.log" 2>&1 || {
  cat "$apt_dir/unpack.log" >&2
  exit 1
}
(cd "$work/tree" && ./configure -q >/dev/null && make -s sqlite3.c >/dev/null 2>&1) || {
  echo "fetch-sqlite: making the amalgamation failed in $work/tree" >&2
  exit 1
}

version=$(sed -n 's/^#define SQLITE_VERSION[[:space:]]*"\(.*\)"/\1/p' "$work/tree/sqlite3.h")
if [[ "$version" != "$upstream" ]]; then
  echo "fetch-sqlite: made SQLite $version, but the Linux build links $upstream" >&2
  exit 1
fi
mkdir -p "$out.part"
cp "$work/tree/sqlite3.c" "$work/tree/sqlite3.h" "$out.part/"
rm -rf "$out"
mv "$out.part" "$out"
rm -rf "$work"
echo "$out"
