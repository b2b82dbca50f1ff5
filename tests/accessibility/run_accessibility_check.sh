#!/usr/bin/env bash
# Reads both programs as a screen reader does: starts them on a virtual screen (Xvfb) under a
# window manager (Openbox), with accessibility on and a session bus of their own, and drives them
# from the keyboard (walk_accessible_tree.py). Prints each window's controls, those without an
# accessible name and those Tab never reaches; exits non-zero on any.
#   run_accessibility_check.sh [BUILD_DIR] [--dump]
# Needs the Debian packages xvfb, openbox, dbus, at-spi2-core and python3-pyatspi.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(realpath "${1:-$root/build}")
shift || true

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A home of its own (no saved window places, no profile) and a start folder with a copy of the
# materials, where the theme the check adds is written.
mkdir -p "$work/home/.config" "$work/start"
cp -r "$root/Material" "$work/start/"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM QT_SCALE_FACTOR WAYLAND_DISPLAY

# The server picks a free display itself and names it once it takes connections.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "accessibility check: no Xvfb" >&2; exit 2; }
export DISPLAY=:$(cat "$work/display")

# A window manager gives the keyboard focus to each window as it opens, as on a desktop.
dbus-run-session -- bash -c '
  openbox >/dev/null 2>&1 &
  sleep 0.5
  /usr/bin/python3 "$@"
  status=$?
  kill %1 2>/dev/null
  exit $status' walk "$here/walk_accessible_tree.py" \
  --pictavo "$build/album/Pictavo" --scalvo "$build/resizer/Scalvo" --start-dir "$work/start" \
  "$@" 2> >(grep -v -e '^dbus-daemon' -e 'SpiRegistry daemon' -e '^X connection to' >&2)
