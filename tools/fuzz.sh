#!/bin/sh
# Runs libFuzzer targets, each from its kept corpus and seeds, then merges
# what it found back into the kept corpus (fuzz/corpus/TARGET).
#
#   tools/fuzz.sh [-runs=N] [-max_total_time=S] TARGET...   (default -runs=10000000)
#   tools/fuzz.sh --list
#
# The fuzz build (clang, ASan+UBSan) is made in build-fuzz when missing. The
# working corpus (build-fuzz/corpus/TARGET) survives between runs; the log of
# each run is build-fuzz/logs/TARGET.log, and its last status line (inputs
# run, coverage, features) is appended to fuzz/runs.txt, the record of all
# runs kept with the corpora.
set -eu
cd "$(dirname "$0")/.."
# Absolute paths: some targets change their working folder.
ROOT=$(pwd)
BUILD=$ROOT/build-fuzz

seeds_of() {
    case "$1" in
    fuzz_icy) echo fuzz/stream/seeds ;;
    playlist_parse_fuzz) echo fuzz/playlist/seeds ;;
    fuzz_config) echo fuzz/config/seeds ;;
    directory_*) echo fuzz/directory/seeds ;;
    fuzz_module_*) echo "fuzz/modules/seeds/${1#fuzz_module_}" ;;
    *) echo "unknown target: $1" >&2; exit 2 ;;
    esac
}

targets="fuzz_icy playlist_parse_fuzz fuzz_config directory_genre_index_fuzz
directory_station_list_fuzz directory_station_element_fuzz directory_service_json_fuzz
fuzz_module_mp3 fuzz_module_aac fuzz_module_vorbis fuzz_module_opus fuzz_module_flac
fuzz_module_wav"

runs=-runs=10000000
limit=
while [ $# -gt 0 ]; do
    case "$1" in
    --list) echo "$targets"; exit 0 ;;
    -runs=*) runs=$1; shift ;;
    -max_total_time=*) limit=$1; shift ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [-runs=N] [-max_total_time=S] TARGET... | --list" >&2; exit 2; }

if [ ! -f "$BUILD/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DWAVELARK_FUZZ=ON -DWAVELARK_ASAN=ON -DWAVELARK_TESTS=OFF
fi
cmake --build "$BUILD" --target "$@"
mkdir -p "$BUILD/logs"

# Recording a stack for every allocation costs a third of the time of the
# allocation-heavy targets; the checks are the same without it, and a crash
# input re-run by hand gives the full report.
export ASAN_OPTIONS="detect_leaks=1:malloc_context_size=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$(pwd)/tools/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

for t in "$@"; do
    bin=$(find "$BUILD/fuzz" -type f -name "$t" | head -n 1)
    [ -n "$bin" ] || { echo "no such target: $t" >&2; exit 2; }
    kept=$ROOT/fuzz/corpus/$t
    work=$BUILD/corpus/$t
    mkdir -p "$kept" "$work" "$BUILD/crashes/$t"
    log=$BUILD/logs/$t.log
    echo "== $t: $runs $limit" >&2
    status=0
    "$bin" $runs $limit -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$BUILD/crashes/$t/" "$work" "$kept" "$ROOT/$(seeds_of "$t")" \
        >"$log" 2>&1 || status=$?
    line=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$log" | tail -n 1)
    echo "$(date -u +%FT%TZ) $t exit=$status $line" | tee -a "$ROOT/fuzz/runs.txt" >&2
    if [ "$status" -ne 0 ]; then
        echo "$t failed; see $log and $BUILD/crashes/$t" >&2
        exit "$status"
    fi
    # Keep a minimized corpus: only inputs that add coverage over the seeds.
    fresh=$BUILD/corpus/$t.merged
    rm -rf "$fresh" && mkdir -p "$fresh"
    "$bin" -merge=1 "$fresh" "$kept" "$work" >>"$log" 2>&1
    # Long inputs stay in the working corpus; the seeds keep the long cases
    # in the repository, so the kept corpus stays small.
    find "$fresh" -type f -size +4096c -delete
    rm -rf "$kept" && mv "$fresh" "$kept"
    echo "$t: kept corpus $(ls "$kept" | wc -l) files, $(du -sk "$kept" | cut -f1) KiB" >&2
done
