#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Compares two builds of `quire` on a case of run-engine.sh, runs alternating so that a change in the
# machine's load hits both alike. Prints the median wall-clock and CPU (user + system) seconds of
# each and their ratios.
#
#   bench/compare-builds.sh BASELINE-QUIRE NEW-QUIRE [RUNS] [a|b|d]
# The corpora are the ones run-engine.sh generated in $QUIRE_BENCH_DIR (run it once first).
set -euo pipefail
baseline=$1
candidate=$2
runs=${3:-15}
case=${4:-b}
work=${QUIRE_BENCH_DIR:-/tmp/quire-bench}
cd "$work"

command_for()
{
    local quire=$1 tag=$2
    case $case in
    a | b) echo "$quire merge --no-backup -o out-compare-$tag.pdf $(ls $case/*.pdf | sort | tr '\n' ' ')" ;;
    d)
        local ranges=""
        for i in $(seq 0 9); do ranges="$ranges d/f0001.pdf $((i * 2000 + 1))-$(((i + 1) * 2000))"; done
        echo "$quire split --no-backup $ranges"
        ;;
    *)
        echo "unknown case $case" >&2
        exit 2
        ;;
    esac
}

# "wall cpu" seconds of one run.
seconds()
{
    /usr/bin/time -f '%e %U %S' -o "$work/compare-time.txt" bash -c "$1" >/dev/null
    awk '{ printf "%s\t%.2f\n", $1, $2 + $3 }' "$work/compare-time.txt"
}

base_cmd=$(command_for "$baseline" baseline)
new_cmd=$(command_for "$candidate" new)
bash -c "$base_cmd" >/dev/null
bash -c "$new_cmd" >/dev/null
: >compare.tsv
for _ in $(seq 1 "$runs"); do
    printf 'baseline\t%s\n' "$(seconds "$base_cmd")" >>compare.tsv
    printf 'new\t%s\n' "$(seconds "$new_cmd")" >>compare.tsv
done
python3 - compare.tsv "$case" <<'PY'
import statistics, sys
wall, cpu = {}, {}
for line in open(sys.argv[1]):
    tool, w, c = line.split()
    wall.setdefault(tool, []).append(float(w))
    cpu.setdefault(tool, []).append(float(c))
m = lambda d, k: statistics.median(d[k])
print(f"case {sys.argv[2]} ({len(wall['new'])} alternating runs each): wall {m(wall, 'baseline'):.3f} -> "
      f"{m(wall, 'new'):.3f} s, new / baseline {m(wall, 'new') / m(wall, 'baseline'):.3f}; cpu "
      f"{m(cpu, 'baseline'):.2f} -> {m(cpu, 'new'):.2f} s, new / baseline {m(cpu, 'new') / m(cpu, 'baseline'):.3f}")
PY
