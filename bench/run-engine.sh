#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Measures the engine (through the `quire` tool) side by side with other PDF tools on generated corpora:
#   (a) merge 300 files x 20 pages, each with a 20-entry outline and one form field `f`
#   (b) merge 200 files x 50 pages with 50-entry outlines
#   (c) merge 2,000 files x 5 pages under `ulimit -n 256`
#   (d) split one 20,000-page file into 10 ranges
#   (s) split the file of (d) into 20,000 single pages; (s200) its first 200 pages only, with pdfseparate
#       too; (s100) the file into parts of 100 pages (every tool writes into an emptied folder)
#   (e) `quire info` over the 2,000 files of (c) against a pdfinfo loop
#   (protected) the files of (b) written AES-256 protected, merged with `--password-file` per input,
#       against the merge of (b), the two run alternately
# Times are hyperfine medians of RUNS runs (after one warm-up); peak memory is /usr/bin/time's maximum
# resident set size of one more run. For (protected), medians of RUNS alternating runs of each, wall
# time and peak memory from /usr/bin/time. The table goes to stdout and to $QUIRE_BENCH_DIR/results.md.
#
#   bench/run-engine.sh [RUNS] [a b c d e s protected]
# QUIRE_BENCH_TOOLS, a regular expression such as 'quire|qpdf', measures only the tools it matches.
# QUIRE_BENCH_SPLIT_DIR, a folder on another file system (a fresh journaled ext4, say), takes the
# split cases' outputs.
# QUIRE_BENCH_BASELINE names another `quire` binary (an earlier build) measured beside this one as
# "quire-baseline", so that the cost of a change shows as a ratio from one run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

runs=${1:-5}
[ $# -gt 0 ] && shift
cases=("$@")
[ ${#cases[@]} -eq 0 ] && cases=(a b c d e s protected)
work=${QUIRE_BENCH_DIR:-/tmp/quire-bench}
build=${QUIRE_BENCH_BUILD:-$root/build-bench}

packages=(build-essential cmake ninja-build libqpdf-dev libssl-dev nlohmann-json3-dev qpdf poppler-utils mupdf-tools pdftk-java hyperfine time
    python3)
tools/install-packages.sh "${packages[@]}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUIRE_BUILD_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target quire quire-bench-corpus >/dev/null
quire=$build/quire
gen=$build/bench/quire-bench-corpus

mkdir -p "$work"
cd "$work"
# The split cases' folders of an earlier run are set aside now and removed after the measurements.
mkdir -p old-outputs
for f in s-* s200-* s100-*; do
    if [ -e "$f" ] || [ -L "$f" ]; then
        mv "$f" "old-outputs/$f.$$"
    fi
done
corpus()
{
    local dir=$1
    shift
    if [ ! -f "$dir/.done" ]; then
        rm -rf "$dir"
        "$gen" "$dir" "$@"
        touch "$dir/.done"
    fi
}
corpus a --files 300 --pages 20 --outline 20 --field f
corpus b --files 200 --pages 50 --outline 50
corpus c --files 2000 --pages 5 --outline 5
corpus d --files 1 --pages 20000 --lines 10
password=bench-Pässwort-7
if [[ " ${cases[*]} " == *" protected "* ]]; then
    corpus bp --files 200 --pages 50 --outline 50 --password "$password"
    printf '%s\n' "$password" >bp-password.txt
fi

results=$work/results.md
rows=$work/rows.tsv
: >"$rows"

# measure CASE TOOL COMMAND [PREPARE]: hyperfine median (s) and peak RSS (MB) of one shell command
# line; PREPARE runs before each run, untimed.
measure()
{
    local name=$1 tool=$2 command=$3 prepare=${4:-true}
    local json=$work/hf-$name-$tool.json
    local status=0
    if [ -n "${QUIRE_BENCH_TOOLS:-}" ] && ! [[ $tool =~ ^(${QUIRE_BENCH_TOOLS})$ ]]; then
        return
    fi
    # One checked run first: a tool that fails is reported as failing, not timed.
    bash -c "$prepare"
    if ! bash -c "$command" >/dev/null 2>"$work/err-$name-$tool.txt"; then
        status=1
    fi
    if [ $status -ne 0 ]; then
        printf '%s\t%s\tfailed\t-\t%s\n' "$name" "$tool" "$(head -c 120 "$work/err-$name-$tool.txt" | tr '\t\n' '  ')" >>"$rows"
        echo "$name $tool: failed ($(head -c 120 "$work/err-$name-$tool.txt"))" >&2
        return
    fi
    hyperfine --style none --runs "$runs" --warmup 1 --prepare "$prepare" --export-json "$json" "$command" >/dev/null
    local median
    median=$(python3 -c 'import json,sys; print("%.3f" % json.load(open(sys.argv[1]))["results"][0]["median"])' "$json")
    local rss
    bash -c "$prepare"
    /usr/bin/time -f '%M' -o "$work/rss.txt" bash -c "$command" >/dev/null 2>&1 || true
    rss=$(tail -1 "$work/rss.txt")
    printf '%s\t%s\t%s\t%s\t\n' "$name" "$tool" "$median" "$((rss / 1024))" >>"$rows"
    echo "$name $tool: median ${median}s, peak ${rss} KB" >&2
}

files() { ls "$1"/*.pdf | sort | tr '\n' ' '; }

# alternate CASE TOOL COMMAND PREPARE [TOOL COMMAND PREPARE]...: one checked run of each, then RUNS
# rounds in which each runs once, the round's first tool moving on by one each round, so that a change
# in the machine's load, or in the state of its file system, hits all alike; PREPARE runs before each
# run, untimed. The rows get the medians of wall time and peak RSS.
alternate()
{
    local name=$1
    shift
    local tools=() commands=() prepares=()
    while [ $# -ge 3 ]; do
        tools+=("$1") commands+=("$2") prepares+=("$3")
        shift 3
    done
    local count=${#tools[@]}
    local times=$work/alternate-$name.tsv
    : >"$times"
    for i in $(seq 0 $((count - 1))); do
        bash -c "${prepares[$i]}"
        if ! bash -c "${commands[$i]}" >/dev/null 2>"$work/err-$name-${tools[$i]}.txt"; then
            printf '%s\t%s\tfailed\t-\t%s\n' "$name" "${tools[$i]}" \
                "$(head -c 120 "$work/err-$name-${tools[$i]}.txt" | tr '\t\n' '  ')" >>"$rows"
            return
        fi
    done
    for round in $(seq 1 "$runs"); do
        for k in $(seq 0 $((count - 1))); do
            local i=$(((round + k) % count))
            bash -c "${prepares[$i]}"
            /usr/bin/time -f '%e %M' -o "$work/alternate-time.txt" bash -c "${commands[$i]}" >/dev/null 2>&1
            printf '%s\t%s\n' "${tools[$i]}" "$(tail -1 "$work/alternate-time.txt")" >>"$times"
        done
    done
    python3 - "$times" "$name" >>"$rows" <<'PY'
import statistics, sys
wall, rss = {}, {}
for line in open(sys.argv[1]):
    tool, w, m = line.split()
    wall.setdefault(tool, []).append(float(w))
    rss.setdefault(tool, []).append(int(m))
for tool in wall:
    print(f"{sys.argv[2]}\t{tool}\t{statistics.median(wall[tool]):.3f}\t{int(statistics.median(rss[tool])) // 1024}\t")
PY
    grep "^$name" "$rows" >&2
}

for c in "${cases[@]}"; do
    case $c in
    a | b)
        in=$(files "$c")
        measure "$c" quire "$quire merge --no-backup -o out-$c-quire.pdf $in"
        [ -n "${QUIRE_BENCH_BASELINE:-}" ] \
            && measure "$c" quire-baseline "$QUIRE_BENCH_BASELINE merge --no-backup -o out-$c-baseline.pdf $in"
        measure "$c" qpdf "qpdf --empty --pages $in -- out-qpdf.pdf"
        measure "$c" qpdf-objstm "qpdf --empty --object-streams=generate --pages $in -- out-qpdf-os.pdf"
        measure "$c" pdfunite "pdfunite $in out-pdfunite.pdf"
        measure "$c" mutool "mutool merge -o out-mutool.pdf $in"
        measure "$c" pdftk "pdftk $in cat output out-pdftk.pdf"
        ;;
    c)
        in=$(files c)
        measure c quire "ulimit -n 256; $quire merge --no-backup -o out-$c-quire.pdf $in"
        [ -n "${QUIRE_BENCH_BASELINE:-}" ] \
            && measure c quire-baseline "ulimit -n 256; $QUIRE_BENCH_BASELINE merge --no-backup -o out-$c-baseline.pdf $in"
        measure c qpdf "ulimit -n 256; qpdf --empty --pages $in -- out-qpdf.pdf"
        measure c pdfunite "ulimit -n 256; pdfunite $in out-pdfunite.pdf"
        measure c mutool "ulimit -n 256; mutool merge -o out-mutool.pdf $in"
        measure c pdftk "ulimit -n 256; pdftk $in cat output out-pdftk.pdf"
        ;;
    d)
        ranges=""
        qpdf_cmd=""
        mutool_cmd=""
        pdftk_cmd=""
        for i in $(seq 0 9); do
            b=$((i * 2000 + 1))
            e=$(((i + 1) * 2000))
            ranges="$ranges d/f0001.pdf $b-$e"
            qpdf_cmd="$qpdf_cmd qpdf --empty --pages d/f0001.pdf $b-$e -- d-qpdf-$i.pdf &&"
            mutool_cmd="$mutool_cmd mutool merge -o d-mutool-$i.pdf d/f0001.pdf $b-$e &&"
            pdftk_cmd="$pdftk_cmd pdftk d/f0001.pdf cat $b-$e output d-pdftk-$i.pdf &&"
        done
        measure d quire "$quire split --no-backup $ranges"
        [ -n "${QUIRE_BENCH_BASELINE:-}" ] && measure d quire-baseline "$QUIRE_BENCH_BASELINE split --no-backup $ranges"
        measure d qpdf "$qpdf_cmd true"
        measure d mutool "$mutool_cmd true"
        measure d pdftk "$pdftk_cmd true"
        ;;
    s)
        # Every run writes into a new folder of its own (NAME is a link to it), so that no tool replaces
        # files. NOTE: nothing is removed between runs: ext4 without a journal (this machine's) does not
        # reuse an inode freed within the last minute and searches past every such inode for each new
        # file, so a run just after 20,000 files were removed pays for that removal, whichever tool it is.
        # QUIRE_BENCH_SPLIT_DIR puts the folders on another file system (the links stay here).
        fresh()
        {
            local at=${QUIRE_BENCH_SPLIT_DIR:-.}
            echo "n=\$((\$(cat $1.n 2>/dev/null || echo 0) + 1)) && echo \$n >$1.n && mkdir $at/$1.\$n && ln -sfn $at/$1.\$n $1"
        }
        # The tools take turns: each new file costs more as the file system fills, so a tool measured
        # after another would pay for the other's files. quire makes the parts durable before it
        # reports them written, where qpdf leaves them to the kernel's write-back: "qpdf+sync" gives
        # qpdf the same durability, a sync of the file system after it.
        s_args=(quire "$quire split --no-backup --single-pages --folder s-quire d/f0001.pdf" "$(fresh s-quire)"
            qpdf "qpdf --split-pages d/f0001.pdf s-qpdf/p-%d.pdf" "$(fresh s-qpdf)"
            qpdf+sync "qpdf --split-pages d/f0001.pdf s-qpdfsync/p-%d.pdf && sync -f s-qpdfsync/." "$(fresh s-qpdfsync)")
        [ -n "${QUIRE_BENCH_BASELINE:-}" ] && s_args+=(quire-baseline
            "$QUIRE_BENCH_BASELINE split --no-backup --single-pages --folder s-baseline d/f0001.pdf" "$(fresh s-baseline)")
        alternate s "${s_args[@]}"
        # NOTE: pdfseparate takes about a tenth of a second per page of this file (it grows with the
        # file, not the page), over half an hour for all of it: it is measured on the first 200 pages,
        # beside the other two on the same pages.
        measure s200 quire "$quire split --no-backup --single-pages --folder s200-quire d/f0001.pdf 1-200" \
            "$(fresh s200-quire)"
        measure s200 qpdf "qpdf d/f0001.pdf --pages . 1-200 -- --split-pages s200-qpdf/p-%d.pdf" "$(fresh s200-qpdf)"
        measure s200 pdfseparate "pdfseparate -f 1 -l 200 d/f0001.pdf s200-pdfseparate/p-%d.pdf" \
            "$(fresh s200-pdfseparate)"
        alternate s100 quire "$quire split --no-backup --every 100 --folder s100-quire d/f0001.pdf" "$(fresh s100-quire)" \
            qpdf "qpdf --split-pages=100 d/f0001.pdf s100-qpdf/p-%d.pdf" "$(fresh s100-qpdf)"
        ;;
    e)
        in=$(files c)
        measure e quire "$quire info $in"
        measure e pdfinfo "for f in $in; do pdfinfo \$f; done"
        measure e qpdf "for f in $in; do qpdf --show-npages \$f; done"
        ;;
    protected)
        protected_in=""
        for f in $(files bp); do protected_in="$protected_in $f --password-file bp-password.txt"; done
        alternate protected quire "$quire merge --no-backup -o out-b-plain.pdf $(files b)" true \
            quire-protected "$quire merge --no-backup -o out-protected-quire.pdf $protected_in" true
        ;;
    esac
done

# Sanity: what quire wrote has the expected pages and outline entries.
check()
{
    [ -f "$1" ] || return 0
    printf '%s: %s pages, %s outline entries\n' "$1" "$(qpdf --show-npages "$1")" \
        "$(qpdf --json=2 --json-key=outlines "$1" | grep -c '"title"')"
}
{
    for c in a b c protected; do check out-$c-quire.pdf; done
    check d/f0001_p1-2000.pdf
    check s-quire/f0001_p777-777.pdf
    check s100-quire/f0001_p19901-20000.pdf
} >&2

python3 - "$rows" "$results" <<'PY'
import sys, collections
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1]) if line.strip()]
by_case = collections.OrderedDict()
for case, tool, median, rss, note in rows:
    by_case.setdefault(case, []).append((tool, median, rss, note))
titles = {
    "a": "(a) merge 300 files x 20 pages, 20-entry outlines, one field `f` each",
    "b": "(b) merge 200 files x 50 pages, 50-entry outlines",
    "c": "(c) merge 2,000 files x 5 pages, ulimit -n 256",
    "d": "(d) split one 20,000-page file into 10 ranges",
    "e": "(e) info over the 2,000 files of (c)",
    "s": "(s) split the 20,000-page file of (d) into single pages",
    "s200": "(s200) split the first 200 pages of the file of (d) into single pages",
    "s100": "(s100) split the 20,000-page file of (d) into parts of 100 pages",
    "protected": "(protected) merge the 200 files x 50 pages of (b), AES-256 protected, against (b) unprotected",
}
out = []
for case, entries in by_case.items():
    quire = next((e for e in entries if e[0] == "quire"), None)
    out.append("### " + titles.get(case, case) + "\n")
    # (protected) compares quire with itself: the protected merge over the unprotected one.
    mine = case == "protected"
    out.append("| tool | median s | peak RSS MB | " + ("time / quire time | RSS / quire RSS |" if mine
               else "quire time / tool time | quire RSS / tool RSS |"))
    out.append("|---|---|---|---|---|")
    for tool, median, rss, note in entries:
        if median == "failed":
            out.append(f"| {tool} | failed: {note.strip()} | - | - | - |")
            continue
        tr = rr = "-"
        if quire and quire[1] != "failed" and tool != "quire":
            (tn, td), (rn, rd) = ((median, quire[1]), (rss, quire[2])) if mine else ((quire[1], median), (quire[2], rss))
            tr = "%.2f" % (float(tn) / float(td)) if float(td) > 0 else "-"
            rr = "%.2f" % (float(rn) / float(rd)) if float(rd) > 0 else "-"
        out.append(f"| {tool} | {median} | {rss} | {tr} | {rr} |")
    out.append("")
text = "\n".join(out)
open(sys.argv[2], "w").write(text + "\n")
print(text)
PY

# Only now, with every measurement taken, do the split folders go (see the case s).
rm -rf old-outputs s-*.[0-9]* s200-*.[0-9]* s100-*.[0-9]* s-*.n s200-*.n s100-*.n
[ -n "${QUIRE_BENCH_SPLIT_DIR:-}" ] && rm -rf "$QUIRE_BENCH_SPLIT_DIR"/s-*.[0-9]* "$QUIRE_BENCH_SPLIT_DIR"/s200-*.[0-9]* \
    "$QUIRE_BENCH_SPLIT_DIR"/s100-*.[0-9]*
for f in s-* s200-* s100-*; do
    [ -L "$f" ] && rm -f "$f"
done
true
