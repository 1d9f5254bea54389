#!/usr/bin/env bash
# Fetches real clips that nobody here made from Debian packages into a cache folder, for the
# tests and benchmarks: `bash scripts/real_clips.sh [FOLDER] [PACKAGE...]`. Each package is
# downloaded once (apt-get download, no install) and unpacked under FOLDER/PACKAGE/; nothing
# of it is ever committed. FOLDER defaults to $FLIPFRAME_REAL_CLIPS, else
# /var/cache/flipframe-real-clips. Prints the folder.
set -euo pipefail

folder="${1:-${FLIPFRAME_REAL_CLIPS:-/var/cache/flipframe-real-clips}}"
shift || true
# The clips the tests convert: physics-lesson recordings (odd pixel aspect ratios, XviD, VP9
# with MP3 in AVI), a hand-held close-up (H.264 High 4:4:4 with MP3), a phone clip and an AVI
# holding H.264 with AAC.
packages=("$@")
[ "${#packages[@]}" -gt 0 ] || packages=(python3-mecavideo python3-imageio forensics-samples-files)

mkdir -p "$folder"
cd "$folder"
for p in "${packages[@]}"; do
  [ -e "$p/.unpacked" ] && continue
  rm -rf "$p" "$p"_*.deb
  if ! apt-get download -q "$p" >/dev/null 2>&1; then
    # A fresh machine may not have read the package lists yet.
    if [ "$(id -u)" -eq 0 ]; then apt-get update -qq; else sudo apt-get update -qq; fi
    apt-get download -q "$p" >/dev/null
  fi
  mkdir -p "$p"
  dpkg-deb -x "$p"_*.deb "$p"
  rm -f "$p"_*.deb
  touch "$p/.unpacked"
done
echo "$folder"
