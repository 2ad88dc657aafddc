#!/usr/bin/env bash
# Photographs the Standalone application's window on a virtual X server.
# Usage: scripts/screenshot-editor.sh [build-dir] [output.png]
#   build-dir  a build configured with -DGORLAN_BUILD_PLUGIN=ON in which the
#              Gorlan_Standalone target is built (default: build)
#   output     where the PNG goes (default: docs/editor.png)
# Needs Xvfb (xvfb-run), xwininfo and ImageMagick's import.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${1:-$root/build}")"
output="$(realpath -m "${2:-$root/docs/editor.png}")"

if [ -z "${GORLAN_SCREENSHOT_DISPLAY_READY:-}" ]; then
  for tool in xvfb-run xwininfo import; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (see scripts/setup.sh)" >&2; exit 1; }
  done
  export GORLAN_SCREENSHOT_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$build" "$output"
fi

app="$(find "$build" -type f -perm -u+x -path '*/Standalone/Gorlan' | head -n 1)"
[ -n "$app" ] || { echo "No Standalone Gorlan under $build: build the Gorlan_Standalone target" >&2; exit 1; }

# A throw-away home keeps the application's settings file out of the user's.
home="$(mktemp -d)"
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  rm -rf "$home"
}
trap cleanup EXIT

HOME="$home" XDG_CONFIG_HOME="$home/.config" "$app" >"$home/app.log" 2>&1 &
app_pid=$!

find_window() {
  xwininfo -root -tree | awk '$2 == "\"Gorlan\":" { print $1; exit }'
}

window=""
for _ in $(seq 1 150); do
  window="$(find_window)"
  if [ -n "$window" ] && xwininfo -id "$window" | grep -q "Map State: IsViewable"; then
    break
  fi
  window=""
  kill -0 "$app_pid" 2>/dev/null || { echo "Gorlan exited early:" >&2; cat "$home/app.log" >&2; exit 1; }
  sleep 0.2
done
[ -n "$window" ] || { echo "Gorlan's window did not appear" >&2; exit 1; }

# The editor fills its knobs at its first timer tick (33 ms); leave time for that and a repaint.
sleep 2
mkdir -p "$(dirname "$output")"
import -window "$window" -strip -define png:exclude-chunks=date,time "png:$output"
echo "Wrote $output ($(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'))"
