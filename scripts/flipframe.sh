#!/usr/bin/env bash
# Installs what is missing, builds flipframe, and then starts it ("run"), runs the test suite
# ("test") or writes a Debian package into build/ ("package"). Works as root or as a user with
# sudo on Debian 12.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build"
packages=(g++ cmake make pkg-config qt6-base-dev libgtest-dev ffmpeg xvfb xauth fonts-wqy-microhei
  qt6-translations-l10n dbus desktop-file-utils appstream dpkg-dev parallel)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  fi
}

build() {
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)"
}

# Release build in a folder of its own (no tests), packed by CPack into build/flipframe_*.deb.
package() {
  local release="$here/build-release"
  cmake -S "$here" -B "$release" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DFLIPFRAME_BUILD_TESTS=OFF >/dev/null
  cmake --build "$release" -j"$(nproc)"
  (cd "$release" && cpack -G DEB -B "$release/package" >/dev/null)
  mkdir -p "$build"
  cp "$release"/package/flipframe_*.deb "$build"/
  ls "$build"/flipframe_*.deb
}

case "${1:-}" in
  run)
    install_missing
    build
    # Without a display flipframe says so in one line and exits.
    exec "$build/flipframe"
    ;;
  test)
    install_missing
    build
    # Tests run one at a time: the converter clean-up of one test would end the converters
    # another test started from the same program folder.
    (cd "$build" && ctest --output-on-failure -j1)
    # The Debian package must still build (a Release build of the program only).
    package
    ;;
  package)
    install_missing
    package
    ;;
  *)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
