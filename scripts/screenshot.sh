#!/bin/sh
# Takes pictures of the real flipframe window under a virtual display (Xvfb): the window with
# one hand-held phone clip listed in four layouts (docs/screenshot.png), and the preview of the
# 裁切铺满 task (docs/preview.png). Usage: scripts/screenshot.sh [BUILD_FOLDER]  (default: build)
# Needs xvfb-run, xdotool, ffmpeg (x11grab), a CJK font (fonts-wqy-microhei) and the clip from
# Debian's forensics-samples-files (scripts/real_clips.sh fetches it once).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
[ -x "$build/flipframe" ] || { echo "no flipframe in $build; build it first" >&2; exit 1; }
mkdir -p "$top/docs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clips=$(bash "$top/scripts/real_clips.sh" "${FLIPFRAME_REAL_CLIPS:-/var/cache/flipframe-real-clips}" \
  forensics-samples-files)
mkdir -p "$work/videos"
clip="$work/videos/VID_20191220_170832.mp4"
cp "$(find "$clips/forensics-samples-files" -name VID_20191220_170832.mp4 | head -1)" "$clip"

# One clip, four tasks: what sets them apart shows in the rows.
list="$work/four layouts.json"
for layout in blur colour:1E2A38 crop:30 follow; do
  "$build/flipframe" convert --layout "$layout" --preset veryfast --save-list "$list" "$clip" >/dev/null
done

# The window opens at 50,50 with 475 x 567 pixels; the picture is that rectangle. A click on
# the third row loads the 裁切铺满 task and Ctrl+P previews it.
xvfb-run -a -s "-screen 0 1100x760x24" sh -c '
  export XDG_STATE_HOME="$4/state" XDG_CONFIG_HOME="$4/config"
  "$1/flipframe" "$3" & pid=$!
  sleep 5
  ffmpeg -hide_banner -loglevel error -y -f x11grab -draw_mouse 0 -video_size 475x567 \
    -i "$DISPLAY+50,50" -frames:v 1 "$2/screenshot.png"
  status=$?
  xdotool mousemove 120 482 click 1
  sleep 1
  xdotool key ctrl+p
  sleep 6
  eval "$(xdotool search --name "^预览$" getwindowgeometry --shell | tail -6)"
  ffmpeg -hide_banner -loglevel error -y -f x11grab -draw_mouse 0 -video_size "${WIDTH}x${HEIGHT}" \
    -i "$DISPLAY+$X,$Y" -frames:v 1 "$2/preview.png" || status=1
  kill $pid; wait $pid 2>/dev/null || true
  exit $status' sh "$build" "$top/docs" "$list" "$work"
echo "saved $top/docs/screenshot.png and $top/docs/preview.png"
