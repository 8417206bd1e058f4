#!/bin/sh
# Runs libFuzzer targets, each from its kept corpus and seeds, then merges
# what it found back into the kept corpus (fuzz/corpus/TARGET).
#
#   tools/fuzz.sh [-runs=N] [-max_total_time=S] [-chunk=S] [-max_len=N] TARGET...
#   tools/fuzz.sh --list
#
# -runs defaults to 10000000. -chunk=S runs the target as a series of fresh
# processes of at most S seconds each, merging after each, until the runs or
# the total time are spent: a long libFuzzer process slows down as it goes.
# -max_len=N limits input length, and the kept corpus's files with it
# (default 4096), for targets whose cost grows with the input.
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
    fuzz_hls_*) echo "fuzz/stream/hls_seeds/${1#fuzz_hls_}" ;;
    fuzz_playlist) echo fuzz/playlist/seeds ;;
    fuzz_config) echo fuzz/config/seeds ;;
    fuzz_genre_index | fuzz_station_* | fuzz_service_json) echo fuzz/directory/seeds ;;
    fuzz_module_*) echo "fuzz/modules/seeds/${1#fuzz_module_}" ;;
    *) echo "unknown target: $1" >&2; exit 2 ;;
    esac
}

targets="fuzz_icy fuzz_hls_playlist fuzz_hls_segment fuzz_hls_mp4 fuzz_playlist fuzz_config
fuzz_genre_index fuzz_station_list fuzz_station_element fuzz_service_json
fuzz_module_mp3 fuzz_module_aac fuzz_module_vorbis fuzz_module_opus fuzz_module_flac
fuzz_module_wav"

runs=10000000
limit=
chunk=
maxlen=
while [ $# -gt 0 ]; do
    case "$1" in
    --list) echo "$targets"; exit 0 ;;
    -runs=*) runs=${1#*=}; shift ;;
    -max_total_time=*) limit=${1#*=}; shift ;;
    -chunk=*) chunk=${1#*=}; shift ;;
    -max_len=*) maxlen=${1#*=}; shift ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [-runs=N] [-max_total_time=S] [-chunk=S] [-max_len=N] TARGET... | --list" >&2; exit 2; }

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

# Keep a minimized corpus: only inputs that add coverage over the seeds.
merge_kept() { # BIN KEPT WORK LOG
    fresh=$3.merged
    rm -rf "$fresh" && mkdir -p "$fresh"
    "$1" -merge=1 "$fresh" "$2" "$3" >>"$4" 2>&1
    # Long inputs stay in the working corpus; the seeds keep the long cases
    # in the repository, so the kept corpus stays small.
    find "$fresh" -type f -size +"${maxlen:-4096}"c -delete
    rm -rf "$2" && mv "$fresh" "$2"
}

for t in "$@"; do
    bin=$(find "$BUILD/fuzz" -type f -name "$t" | head -n 1)
    [ -n "$bin" ] || { echo "no such target: $t" >&2; exit 2; }
    kept=$ROOT/fuzz/corpus/$t
    work=$BUILD/corpus/$t
    mkdir -p "$kept" "$work" "$BUILD/crashes/$t"
    log=$BUILD/logs/$t.log
    need=$runs
    start=$(date +%s)
    while [ "$need" -gt 0 ]; do
        secs=
        if [ -n "$limit" ]; then
            secs=$((limit - ($(date +%s) - start)))
            [ "$secs" -gt 0 ] || break
        fi
        if [ -n "$chunk" ] && { [ -z "$secs" ] || [ "$secs" -gt "$chunk" ]; }; then
            secs=$chunk
        fi
        echo "== $t: -runs=$need${secs:+ -max_total_time=$secs}${maxlen:+ -max_len=$maxlen}" >&2
        status=0
        "$bin" -runs="$need" ${secs:+-max_total_time=$secs} ${maxlen:+-max_len=$maxlen} \
            -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
            -artifact_prefix="$BUILD/crashes/$t/" "$work" "$kept" "$ROOT/$(seeds_of "$t")" \
            >"$log" 2>&1 || status=$?
        line=$(grep -aE '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$log" | tail -n 1)
        echo "$(date -u +%FT%TZ) $t exit=$status $line" | tee -a "$ROOT/fuzz/runs.txt" >&2
        if [ "$status" -ne 0 ]; then
            echo "$t failed; see $log and $BUILD/crashes/$t" >&2
            exit "$status"
        fi
        ran=$(grep -a 'stat::number_of_executed_units' "$log" | tail -n 1 | awk '{print $2}')
        merge_kept "$bin" "$kept" "$work" "$log"
        kib=$(find "$kept" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f", s / 1024 }')
        echo "$t: kept corpus $(ls "$kept" | wc -l) files, $kib KiB" >&2
        [ -n "$chunk" ] || break
        [ "${ran:-0}" -gt 0 ] || break
        need=$((need - ran))
    done
done
