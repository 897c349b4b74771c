#!/usr/bin/env bash
# Starts the built program from its build folder; says so plainly when there is no display.
set -euo pipefail
dir=${1:-build/release}
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "make run: no display found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Start Sorbel from a desktop session, or run 'xvfb-run make run' on a machine without a screen." >&2
  exit 1
fi
exec "$dir/app/sorbel"
