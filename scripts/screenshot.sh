#!/bin/sh
# Takes a picture of the real flipframe window under a virtual display (Xvfb) and saves it
# as docs/screenshot.png. Usage: scripts/screenshot.sh [BUILD_FOLDER]  (default: build)
# Needs xvfb-run, ffmpeg (x11grab) and a CJK font (fonts-wqy-microhei).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
[ -x "$build/flipframe" ] || { echo "no flipframe in $build; build it first" >&2; exit 1; }
out="$top/docs/screenshot.png"
mkdir -p "$top/docs"
# The window opens at 50,50 with 475 x 603 pixels; the picture is that rectangle.
xvfb-run -a -s "-screen 0 800x700x24" sh -c '
  "$1/flipframe" & pid=$!
  sleep 4
  ffmpeg -hide_banner -loglevel error -y -f x11grab -draw_mouse 0 -video_size 475x603 \
    -i "$DISPLAY+50,50" -frames:v 1 "$2"
  status=$?
  kill $pid; wait $pid 2>/dev/null || true
  exit $status' sh "$build" "$out"
echo "saved $out"
