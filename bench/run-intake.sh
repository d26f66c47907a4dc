#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Adding N small PDFs through the desktop program's intake path (the files read on the intake thread,
# the rows added as they arrive) against `quire info` reading the same files, side by side with
# hyperfine; the window's own start alone (an empty folder) is timed beside them.
#   bench/run-intake.sh [RUNS] [FILES]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
files=${2:-1000}
work=${QUIRE_BENCH_DIR:-/tmp/quire-bench}/intake-$files

tools/install-packages.sh hyperfine

./build.sh deps
cmake -S . -B build-bench-gui -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DQUIRE_BUILD_GUI=ON >/dev/null
cmake --build build-bench-gui --target quire quire-bench-corpus quire_bench_intake -j "$(nproc)" >/dev/null

if [ ! -f "$work/done" ]; then
    rm -rf "$work" && mkdir -p "$work"
    build-bench-gui/bench/quire-bench-corpus "$work" --files "$files" --pages 2 --lines 5 >/dev/null
    touch "$work/done"
fi

export QT_QPA_PLATFORM=offscreen
empty=$work-empty
mkdir -p "$empty"
hyperfine -N -w 1 -r "$runs" --export-markdown "$work/result.md" \
    -n "intake" "build-bench-gui/bench/quire_bench_intake $work" \
    -n "window start alone" "build-bench-gui/bench/quire_bench_intake $empty" \
    -n "quire info" "bash -c 'build-bench-gui/quire info $work/*.pdf >/dev/null'"
cat "$work/result.md"
