#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The preview in the real window (offscreen), its pages drawn by `quire-binder --render-pages`:
#   - the first thumbnail after selecting the row of a 20,000-page file, in a new window each run (the
#     helper process is started by that first selection);
#   - the first thumbnail after selecting each of 300 files in turn, in one window;
#   - the longest stall of the window's event loop while the strip of a 2,000-page file scrolls from
#     top to bottom.
# Medians and the worst case are printed; the targets are 150 ms and 50 ms.
#   bench/run-preview.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
work=${QUIRE_BENCH_DIR:-/tmp/quire-bench}/preview
build=${QUIRE_PREVIEW_BUILD:-build-bench-gui}

./build.sh deps
# QUIRE_PREVIEW_BUILD may name a build folder configured already (the default preset's build, say).
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DQUIRE_BUILD_GUI=ON >/dev/null
fi
cmake --build "$build" --target quire-binder quire-bench-corpus quire_bench_preview -j "$(nproc)" >/dev/null
gen=$build/bench/quire-bench-corpus
bench=$build/bench/quire_bench_preview
binder=$PWD/$build/quire-binder

corpus()
{
    local dir=$work/$1
    shift
    if [ ! -f "$dir/.done" ]; then
        rm -rf "$dir"
        "$gen" "$dir" "$@" >/dev/null
        touch "$dir/.done"
    fi
}
corpus big --files 1 --pages 20000 --lines 10
corpus many --files 300 --pages 20 --outline 20 --lines 10
corpus long --files 1 --pages 2000 --lines 10

export QT_QPA_PLATFORM=offscreen
summary()
{
    python3 -c '
import statistics, sys
values = [float(v) for v in sys.stdin.read().split()]
ok = [v for v in values if v >= 0]
print(f"{sys.argv[1]}: median {statistics.median(ok):.1f} ms, worst {max(ok):.1f} ms, "
      f"{len(ok)} of {len(values)} drawn")' "$1"
}

for _ in $(seq "$runs"); do
    "$bench" "$binder" first "$work"/big/*.pdf 2>/dev/null
done | summary "20,000-page file, first thumbnail in a new window ($runs runs)"
"$bench" "$binder" first "$work"/many/*.pdf 2>/dev/null | summary "300 files selected in turn, first thumbnail of each"
for _ in $(seq 3); do
    "$bench" "$binder" scroll "$work"/long/*.pdf 2>/dev/null
done
