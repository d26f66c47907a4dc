#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the fuzz targets with clang and runs each for a while.
#   tests/fuzz/run.sh [SECONDS_PER_TARGET] [reader|outline|merge ...]
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-300}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(reader outline merge)

tools/install-packages.sh clang libclang-rt-14-dev cmake ninja-build libqpdf-dev nlohmann-json3-dev

build=build-fuzz
# The engine is instrumented for coverage too, so that libFuzzer sees its branches.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUIRE_FUZZ=ON -DQUIRE_BUILD_GUI=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer" >/dev/null
cmake --build "$build" --target "${targets[@]/#/quire_fuzz_}"

corpus_src=../shared/corpus
for t in "${targets[@]}"; do
    work="$build/fuzz-corpus-$t"
    mkdir -p "$work" "$build/fuzz-artifacts"
    # Seed with the real-world files that are small enough to mutate quickly.
    if [ -d "$corpus_src" ] && [ -z "$(ls -A "$work")" ]; then
        find "$corpus_src" -name '*.pdf' -size -100k -exec cp {} "$work/" \;
    fi
    echo "== quire_fuzz_$t for ${seconds}s"
    "$build/tests/fuzz/quire_fuzz_$t" "$work" -dict=tests/fuzz/pdf.dict -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build/fuzz-artifacts/$t-" -print_final_stats=1
done
