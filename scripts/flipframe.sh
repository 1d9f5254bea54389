#!/usr/bin/env bash
# Installs what is missing, builds flipframe, and then starts it ("run"), runs the test suite
# ("test") or writes a Debian package into build/ ("package"). Works as root or as a user with
# sudo on Debian 12.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build"
packages=(g++ cmake make pkg-config qt6-base-dev libfontconfig-dev libgtest-dev ffmpeg xvfb xauth fonts-wqy-microhei
  qt6-translations-l10n dbus desktop-file-utils appstream dpkg-dev parallel binutils openssh-server
  openssh-client rsync libdlib-dev xdotool)

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

# The program alone, as the package builds it: Release, unity (sources compiled in batches), no
# tests or benchmarks, in a folder of its own. `run` starts what this builds; `package` packs it.
release="$here/build-release"
build_program() {
  cmake -S "$here" -B "$release" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DFLIPFRAME_BUILD_TESTS=OFF -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16 \
    -DCMAKE_CXX_COMPILER_LAUNCHER=$(command -v ccache || true) >/dev/null
  cmake --build "$release" -j"$(nproc)" --target flipframe
}

# The Debian package, packed by CPack into build/flipframe_*.deb.
package() {
  build_program
  cmake --build "$release" -j"$(nproc)"
  (cd "$release" && cpack -G DEB -B "$release/package" >/dev/null)
  mkdir -p "$build"
  cp "$release"/package/flipframe_*.deb "$build"/
  ls "$build"/flipframe_*.deb
}

case "${1:-}" in
  run)
    install_missing
    build_program
    # Without a display flipframe says so in one line and exits.
    exec "$release/flipframe"
    ;;
  test)
    install_missing
    # The whole suite runs once, built with AddressSanitizer and UndefinedBehaviorSanitizer: a
    # fault of memory or undefined behaviour fails the test that met it, in the window's code as
    # much as in the core's, and every test still checks what it checks in a normal build. A
    # second pass over a normal build would only repeat it. Leaks in foreign libraries
    # (fontconfig, Qt's platform plugins) are suppressed by name; the program's own code never is.
    # Test suites run side by side: each suite's process has a program folder of its own, so no
    # suite's converter clean-up meets another's converters. Two suites per core and one more:
    # tests spend part of their time waiting on a converter's progress or a timer.
    asan="$here/build-asan"
    export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
    # -O1 -g1 (line tables, enough for the sanitizers' stacks) compiles markedly faster than
    # RelWithDebInfo's -O2 -g; a unity build (sources compiled in batches) takes half the time
    # of one file at a time.
    cmake -S "$here" -B "$asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFLIPFRAME_SANITIZE=ON \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DFLIPFRAME_BUILD_BENCHMARKS=OFF \
      -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16 \
      -DCMAKE_CXX_COMPILER_LAUNCHER=$(command -v ccache || true) >/dev/null
    cmake --build "$asan" -j"$(nproc)"
    # Real clips from Debian packages, fetched once into a cache (never into the checkout).
    bash "$here/scripts/real_clips.sh" >/dev/null
    (cd "$asan" &&
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
      LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp:print_suppressions=0" \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --output-on-failure -j"$((2 * $(nproc) + 1))")
    # The Debian package must still build: a Release build of the program alone, no tests.
    package
    ;;
  package)
    install_missing
    package
    ;;
  fuzz)
    seconds="${2:-60}"
    packages+=(clang libclang-rt-14-dev)
    install_missing
    fuzz="$here/build-fuzz"
    CC=clang CXX=clang++ cmake -S "$here" -B "$fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DFLIPFRAME_SANITIZE=ON -DFLIPFRAME_FUZZ=ON >/dev/null
    cmake --build "$fuzz" -j"$(nproc)" --target fuzz_all
    for target in stream_info progress split_arguments presets output_name task_list; do
      # New inputs go to a working corpus in the build folder; the kept seeds stay as they are.
      mkdir -p "$fuzz/corpus/$target"
      echo "== fuzz_$target for $seconds s"
      "$fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
        "$fuzz/corpus/$target" "$here/fuzz/corpus/$target"
    done
    ;;
  *)
    echo "usage: $0 run|test|package|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
