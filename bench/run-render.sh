#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Measures the two page renderers Debian 12 offers for Qt 6 (poppler-qt6 and Qt PDF) at thumbnail
# size (128 pixels wide) on ../shared/corpus, on protected files and on files of the engine bench's
# corpora: pages rendered per second, files that fail (not opened, pages without an image, a hang
# past the time limit, a crash), and peak memory. Each file is rendered by a process of its own under
# `timeout` and /usr/bin/time, the two renderers in turns.
#
#   bench/run-render.sh [PAGES-PER-FILE] [LIMIT-SECONDS]
# The engine bench's corpora are taken from $QUIRE_BENCH_DIR (run bench/run-engine.sh once first).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
pages=${1:-50}
limit=${2:-30}
work=${QUIRE_BENCH_DIR:-/tmp/quire-bench}
build=${QUIRE_RENDER_BUILD:-$root/build-render}

tools/install-packages.sh build-essential cmake ninja-build pkg-config libqpdf-dev libssl-dev nlohmann-json3-dev \
    libexempi-dev qt6-base-dev qt6-svg-dev libgl-dev libpoppler-qt6-dev qt6-pdf-dev time python3
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target quire_bench_render >/dev/null
render=$build/bench/quire_bench_render

files=()
for f in ../shared/corpus/*.pdf; do files+=("$f"); done
for f in "$work"/b/f000[1-9].pdf "$work"/d/f0001.pdf "$work"/bp/f000[1-3].pdf; do
    [ -f "$f" ] && files+=("$f")
done
rows=$(mktemp)
for f in "${files[@]}"; do
    password=""
    case $f in
    *U=view*) password=view ;;
    */bp/*) password=$(cat "$work/bp-password.txt") ;;
    esac
    for backend in poppler qtpdf; do
        status=0
        out=$(QT_QPA_PLATFORM=offscreen /usr/bin/time -f '%M' -o "$rows.rss" timeout "$limit" "$render" "$backend" \
            --pages "$pages" --password "$password" "$f" 2>/dev/null) || status=$?
        rss=$(tail -1 "$rows.rss" 2>/dev/null || echo 0)
        [[ $rss =~ ^[0-9]+$ ]] || rss=0
        printf '%s\t%s\t%s\t%s\t%s\n' "$backend" "$f" "$status" "$rss" "${out:-0	0	0}" >>"$rows"
    done
done
python3 - "$rows" "$pages" "$limit" <<'PY'
import sys, collections
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1])]
per = collections.OrderedDict()
bad = collections.defaultdict(list)
for backend, path, status, rss, pages, failed, seconds in rows:
    s = per.setdefault(backend, {"files": 0, "pages": 0, "failed": 0, "seconds": 0.0, "rss": 0, "hung": 0,
                                 "crashed": 0, "unopened": 0})
    s["files"] += 1
    s["rss"] = max(s["rss"], int(rss))
    name = path.rsplit("/", 1)[-1]
    if status == "124":
        s["hung"] += 1; bad[backend].append(name + " (hung)"); continue
    if status != "0":
        s["crashed"] += 1; bad[backend].append(name + " (exit " + status + ")"); continue
    if int(pages) < 0:
        s["unopened"] += 1; bad[backend].append(name + " (not opened)"); continue
    s["pages"] += int(pages); s["failed"] += int(failed); s["seconds"] += float(seconds)
    if int(failed):
        bad[backend].append(name + f" ({failed} pages without an image)")
print(f"Thumbnails 128 px wide, at most {sys.argv[2]} pages per file, {sys.argv[3]} s per file at most.\n")
print("| renderer | files | pages rendered | pages/s | pages failed | not opened | hung | crashed | peak RSS MB |")
print("|---|---|---|---|---|---|---|---|---|")
for backend, s in per.items():
    rate = s["pages"] / s["seconds"] if s["seconds"] > 0 else 0
    print(f"| {backend} | {s['files']} | {s['pages']} | {rate:.1f} | {s['failed']} | {s['unopened']} | {s['hung']} | "
          f"{s['crashed']} | {s['rss'] // 1024} |")
for backend in per:
    print(f"\n{backend}: " + (", ".join(bad[backend]) if bad[backend] else "no failures"))
PY
rm -f "$rows" "$rows.rss"
