#!/bin/sh
# Makes docs/publish.png: the frame of a 9:16 output with a title, a caption and a logo, as
# `flipframe convert --preview` writes it. The clip (the converter's test pattern) and the logo
# (an orange badge with 旅 on it) are drawn here by ffmpeg, nothing is taken from elsewhere.
# Usage: scripts/publish_picture.sh [BUILD_FOLDER]  (default: build). Needs ffmpeg and the CJK
# font the package depends on (fonts-wqy-microhei).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
[ -x "$build/flipframe" ] || { echo "no flipframe in $build; build it first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
q="-hide_banner -loglevel error -y"
font=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei')

ffmpeg $q -f lavfi -i testsrc2=size=640x360:rate=25:duration=4 -f lavfi -i sine=frequency=440:duration=4 \
  -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest "$work/trip.mp4"
ffmpeg $q -f lavfi -i "color=c=0xff7a00:s=160x160,format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='255*clip(78-hypot(X-79.5,Y-79.5),0,1)',drawtext=fontfile=$font:text=旅:fontsize=96:fontcolor=white:x=(w-text_w)/2:y=(h-text_h)/2-4" \
  -frames:v 1 "$work/badge.png"
"$build/flipframe" convert --width 360 --title '第{index}集：{name}\nA summer trip along the coast' \
  --caption '关注我，看更多旅行短片' --logo "$work/badge.png" --preview 2 --preview-out "$top/docs/publish.png" \
  "$work/trip.mp4"
echo "saved $top/docs/publish.png"
