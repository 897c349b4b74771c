#!/usr/bin/env bash
# The installer under Wine, silently, in a prefix of the test's own: the programs, the shipped
# description and the uninstall entry land; the installed program works in Documents\Sorbel;
# uninstalling removes the program, its menu and its entry and leaves Documents\Sorbel as it was.
#
# Usage: installer_test.sh sorbel-x.y.z-setup.exe samples/ work-folder
# The work folder keeps the prefix (made on first use) and its scratch HOME between runs.
set -euo pipefail
setup=$(realpath "$1") samples=$(realpath "$2")
mkdir -p "$3/home"
work=$(realpath "$3")
build=$(dirname "$setup")
version=$(basename "$setup" | sed -n 's/^sorbel-\(.*\)-setup\.exe$/\1/p')
wine_run=$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run.sh

# Wine links Documents (and Desktop, ...) to $HOME when it makes a prefix: a HOME of the test's
# own keeps the real one untouched.
export HOME=$work/home SORBEL_WINEPREFIX=$work/prefix
prefix=$work/prefix
user=$(id -un)
docs=$prefix/drive_c/users/$user/Documents
program_dir=$prefix/drive_c/Program\ Files/Sorbel
menu_dir=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Sorbel
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sorbel'
wine() { "$wine_run" "$@" </dev/null; }

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A prefix whose Documents lies elsewhere (made with another HOME) is made again.
if [[ -e $prefix && "$(realpath -m "$docs")" != "$work"/* ]]; then
  rm -rf "$prefix"
fi
# What an interrupted run may have left (this also makes the prefix).
wine reg delete "$key" /f >/dev/null 2>&1 || true
rm -rf "$program_dir" "$menu_dir" "$docs/Sorbel"

SORBEL_WINE_WAIT=1 wine "$setup" /S || fail "the installer ended with $?"
cmp -s "$program_dir/sorbel-filter.exe" "$build/sorbel-filter.exe" || fail "sorbel-filter.exe not installed"
cmp -s "$program_dir/data/datasource.dsn" "$samples/datasource.dsn" || fail "data\\datasource.dsn not installed"
[[ -f $program_dir/uninstall.exe ]] || fail "no uninstall.exe"
# A description beside the program would make it a portable copy writing in Program Files.
[[ ! -e $program_dir/datasource.dsn ]] || fail "datasource.dsn beside the program"
[[ -f "$menu_dir/Sorbel のアンインストール.lnk" ]] || fail "no uninstall entry in the Start menu"

entry=$(wine reg query "$key" | tr -d '\r') || fail "no uninstall key"
for value in \
  "DisplayName +REG_SZ +Sorbel" "DisplayVersion +REG_SZ +$version" "Publisher +REG_SZ +." \
  'UninstallString +REG_SZ +"C:\\Program Files\\Sorbel\\uninstall.exe"$' \
  'QuietUninstallString +REG_SZ +"C:\\Program Files\\Sorbel\\uninstall.exe" /S$' \
  'InstallLocation +REG_SZ +C:\\Program Files\\Sorbel$' \
  "NoModify +REG_DWORD +0x1" "NoRepair +REG_DWORD +0x1" "EstimatedSize +REG_DWORD +0x[1-9a-f]"; do
  grep -Eq "^ +$value" <<<"$entry" || fail "uninstall key: no ${value%% *} as expected"
done

# The installed program, started from elsewhere, works in Documents\Sorbel.
csv="Z:${samples//\//\\}\\article.csv"
result=$(cd "$work" && wine 'C:\Program Files\Sorbel\sorbel-filter.exe' --csv "$csv" \
  --category 家電 --free-shipping | tr -d '\r' | sed 's|.*[/\\]||') || fail "the installed program failed"
if [[ -z $result || ! -s $docs/Sorbel/$result ]]; then
  fail "no result in Documents\\Sorbel (${result:-nothing written})"
fi
cmp -s "$docs/Sorbel/datasource.dsn" "$samples/datasource.dsn" || fail "no description copied to Documents\\Sorbel"
installed=$(cd "$program_dir" && find . | sort | tr '\n' ' ')
window=""
if [[ -f $build/sorbel.exe ]]; then
  window="./sorbel.exe "
  cmp -s "$program_dir/sorbel.exe" "$build/sorbel.exe" || fail "sorbel.exe not installed"
  [[ -f "$menu_dir/Sorbel.lnk" ]] || fail "no Sorbel entry in the Start menu"
fi
[[ $installed == ". ./data ./data/datasource.dsn ./sorbel-filter.exe $window./uninstall.exe " ]] ||
  fail "the program folder changed: $installed"
user_files() { (cd "$docs/Sorbel" 2>/dev/null && find . -type f -exec md5sum {} + | sort) || true; }
before=$(user_files)

# The uninstaller reruns itself from Temp and returns at once: wait for the copy as well.
SORBEL_WINE_WAIT=1 wine 'C:\Program Files\Sorbel\uninstall.exe' /S || fail "the uninstaller ended with $?"
[[ ! -e $program_dir ]] || fail "the program folder is left: $(cd "$program_dir" && find .)"
[[ ! -e $menu_dir ]] || fail "the Start-menu folder is left"
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall key is left"
[[ -n $before && "$(user_files)" == "$before" ]] ||
  fail "Documents\\Sorbel changed on uninstalling"

echo "installer: $failures failures"
((failures == 0))
