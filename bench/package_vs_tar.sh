#!/usr/bin/env bash
# Whole-process times of fendrel-cli compile and extract beside tar and zstd doing the same work
# on the same files: compile against `tar -c | zstd -1`, extract against `zstd -d | tar -x`.
# Run by hand (not by ctest), on a release build:
#
#     bench/package_vs_tar.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR defaults to build-release, WORK_DIR to $TMPDIR (or /tmp) /fendrel-package-vs-tar. The
# generated files (about 1.2 GB) stay in WORK_DIR for the next run; delete it when done. ROUNDS
# (default 3) sets how many timed runs of each command count, the best of them; every command runs
# once untimed first, so that both sides find the same files in the page cache.
set -euo pipefail

build=${1:-build-release}
work=${2:-${TMPDIR:-/tmp}/fendrel-package-vs-tar}
rounds=${ROUNDS:-3}
cli=$build/bin/fendrel-cli
generator=$build/bin/package_bench

for tool in tar zstd "$cli" "$generator"; do
    if ! command -v "$tool" >/dev/null; then
        echo "package_vs_tar: $tool is missing (zstd: apt-get install -y zstd; the programs: cmake --build $build)" >&2
        exit 2
    fi
done
mkdir -p "$work"

# Seconds taken by the command, to the millisecond.
seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo "scale=3; ($end - $start) / 1000000000" | bc
}

smaller() {
    if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc)" = 1 ]; then echo "$2"; else echo "$1"; fi
}

report() { # what, ours, peer's name, peer
    local ratio verdict
    ratio=$(echo "scale=2; $2 / $4" | bc)
    verdict="met"
    [ "$(echo "$2 > $4" | bc)" = 1 ] && verdict="NOT met"
    printf '  %-8s fendrel-cli %7.3f s   %-10s %7.3f s   ratio %5sx   target <= 1.0x: %s\n' "$1" "$2" "$3" "$4" "$ratio" "$verdict"
}

compile_fendrel() { "$cli" --quiet --data-dir "$1/data" compile "$1/Fendrel.ini" -o "$1/package.lab"; }
compile_peer() { tar -c -C "$1" -T "$1/members.txt" | zstd -1 -q -f -o "$1/package.tar.zst"; }
extract_fendrel() { "$cli" --quiet --data-dir "$2" extract "$1/package.lab"; }
extract_peer() { mkdir "$2" && zstd -d -c -q "$1/package.tar.zst" | tar -x -C "$2"; }

for scenario in labs large; do
    dir=$work/$scenario
    if [ ! -f "$dir/members.txt" ]; then
        rm -rf "$dir"
        "$generator" generate "$scenario" "$dir" >/dev/null
    fi
    mkdir -p "$dir/data"
    files=$(wc -l <"$dir/members.txt")
    bytes=$(cd "$dir" && tr '\n' '\0' <members.txt | du -cb --files0-from=- | tail -1 | cut -f1)
    compile_fendrel "$dir"
    compile_peer "$dir"
    # Each round the other side goes first, so that neither always finds the machine as the other left it.
    ours="" peer=""
    for round in $(seq "$rounds"); do
        if [ $((round % 2)) = 1 ]; then
            ours=$(smaller "$ours" "$(seconds compile_fendrel "$dir")")
            peer=$(smaller "$peer" "$(seconds compile_peer "$dir")")
        else
            peer=$(smaller "$peer" "$(seconds compile_peer "$dir")")
            ours=$(smaller "$ours" "$(seconds compile_fendrel "$dir")")
        fi
    done
    echo "$scenario: $files files, $bytes bytes; package $(stat -c %s "$dir/package.lab") bytes, tar.zst $(stat -c %s "$dir/package.tar.zst") bytes; best of $rounds"
    report compile "$ours" "tar|zstd" "$peer"

    ours="" peer=""
    for round in $(seq 0 "$rounds"); do
        rm -rf "$dir/extracted" "$dir/untarred"
        mkdir -p "$dir/extracted"
        if [ $((round % 2)) = 1 ]; then
            a=$(seconds extract_fendrel "$dir" "$dir/extracted")
            b=$(seconds extract_peer "$dir" "$dir/untarred")
        else
            b=$(seconds extract_peer "$dir" "$dir/untarred")
            a=$(seconds extract_fendrel "$dir" "$dir/extracted")
        fi
        if [ "$round" -gt 0 ]; then
            ours=$(smaller "$ours" "$a")
            peer=$(smaller "$peer" "$b")
        fi
    done
    written=$(find "$dir/extracted/CompilerLabs" -type f | wc -l)
    untarred=$(find "$dir/untarred" -type f | wc -l)
    report extract "$ours" "zstd|tar" "$peer"
    echo "  files written: fendrel-cli $written (and its catalogue), tar $untarred"
    rm -rf "$dir/extracted" "$dir/untarred"
done
