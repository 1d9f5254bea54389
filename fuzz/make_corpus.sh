#!/usr/bin/env bash
# Writes the seed corpora from the real converter's output (run once; the small text files
# are kept in the repository). Needs ffmpeg.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
q=(-hide_banner -loglevel error -y)
ffmpeg "${q[@]}" -f lavfi -i testsrc=size=640x360:rate=25:duration=3 -f lavfi -i sine=duration=3 -shortest av.mp4
ffmpeg "${q[@]}" -f lavfi -i testsrc=size=320x240:rate=25:duration=2 "x Duration: 12.mp4"
ffmpeg "${q[@]}" -f lavfi -i testsrc=size=160x120:rate=10:duration=1 anim.gif
ffmpeg "${q[@]}" -f lavfi -i testsrc=size=64x48 -frames:v 1 still.png
ffmpeg "${q[@]}" -f lavfi -i sine=duration=1 sound.m4a
head -c 3000 av.mp4 > broken.mp4

mkdir -p "$here/corpus/stream_info" "$here/corpus/progress" "$here/corpus/split_arguments" \
  "$here/corpus/presets" "$here/corpus/output_name"
for f in av.mp4 "x Duration: 12.mp4" anim.gif still.png sound.m4a broken.mp4 missing.mp4; do
  name=$(echo "$f" | tr -c 'A-Za-z0-9.\n' _)
  ffmpeg -hide_banner -i "$f" > "$here/corpus/stream_info/$name.txt" 2>&1 || true
done
# A task's output as the worker reads it: progress lines, the end summary, a refusal.
ffmpeg -hide_banner -y -i av.mp4 -vf scale=240:320 -to 00:00:03.00 out_tmp.mp4 2>&1 | grep -v '^\[libx264' \
  > "$here/corpus/progress/conversion.txt" || true
ffmpeg -hide_banner -y -i av.mp4 -vf "scale=invalid" out_tmp.mp4 2>&1 | tail -c 3000 \
  > "$here/corpus/progress/refusal.txt" || true
# The output of a converter that ran out of disk (exit status 0 all the same), when a small
# tmpfs can be mounted.
if mkdir -p full && mount -t tmpfs -o size=32k tmpfs full 2>/dev/null; then
  ffmpeg -hide_banner -y -i av.mp4 -vf scale=360:640 -to 00:00:03.00 full/out_tmp.mp4 2>&1 | grep -v '^\[libx264' \
    > "$here/corpus/progress/disk_full.txt" || true
  umount full
fi
# Task lists as flipframe writes them, when FLIPFRAME names a built flipframe: one task with
# every kind of source and two effects, a portrait clip in three copies with a bitrate, and
# the same list after a run. Fixed paths, so the seeds come out the same each time. old.json
# (made.json without fastBackground and sourceStamps, as older versions wrote it),
# hostile.json (a foreign command and an option as a path: refused), follow.json (its tasks
# as follow tasks: a stored command writing outside result/ with a far "-to", a foreground 0
# pixels wide, three copies, a frame rate of 12 digits) and publish.json (its first task with a
# publishing target, band texts and a logo) are edited from made.json.
if [ -x "${FLIPFRAME:-}" ]; then
  d=/tmp/flipframe-corpus-lists
  rm -rf "$d" && mkdir -p "$d" "$here/corpus/task_list"
  cp av.mp4 "$d/clip.mp4" && cp anim.gif still.png sound.m4a "$d/"
  ffmpeg "${q[@]}" -f lavfi -i testsrc=size=360x640:rate=25:duration=3 "$d/upright.mp4"
  "$FLIPFRAME" convert --save-list "$d/made.json" --background "$d/still.png" --animation "$d/anim.gif" \
    --music "$d/sound.m4a" --effects 1,3 --audio-fade in,out "$d/clip.mp4"
  "$FLIPFRAME" convert --save-list "$d/made.json" --ratio 16:9 --copies 3 --mirror --bitrate 900 \
    --fast-background "$d/upright.mp4"
  cp "$d/made.json" "$here/corpus/task_list/made.json"
  "$FLIPFRAME" run "$d/made.json" 2>/dev/null || true
  cp "$d/made.json" "$here/corpus/task_list/ran.json"
  rm -rf "$d"
fi
