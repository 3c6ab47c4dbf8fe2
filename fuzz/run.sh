#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer and the address and
# undefined-behaviour sanitizers, and runs each target for a while, one after
# the other, on a copy of the committed seed corpus.
#
# Usage: fuzz/run.sh [-t SECONDS] [-b BUILD_DIR] [TARGET...]
#   -t SECONDS    run time of each target (default 60, or $FUZZ_SECONDS)
#   -b BUILD_DIR  build folder (default build-fuzz at the top of the tree)
#   TARGET        fuzz_reply_reader, fuzz_position_file, fuzz_book,
#                 fuzz_session, fuzz_uci_dialogue (default: all five)
#
# Installs clang and the libFuzzer runtime from the Debian packages when
# clang++ cannot link a fuzzer. New inputs and crash files go to
# BUILD_DIR/fuzz-work/TARGET/, never into fuzz/corpus/. Exits non-zero when a
# target found a crash, a failed check, a leak or a time-out.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
run_seconds="${FUZZ_SECONDS:-60}"
build_dir="$root/build-fuzz"
all_targets=(fuzz_reply_reader fuzz_position_file fuzz_book fuzz_session fuzz_uci_dialogue)

while getopts "t:b:h" option; do
    case "$option" in
        t) run_seconds="$OPTARG" ;;
        b) build_dir="$OPTARG" ;;
        *) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
    case " ${all_targets[*]} " in
        *" $t "*) ;;
        *) echo "unknown target: $t (one of: ${all_targets[*]})" >&2; exit 2 ;;
    esac
done
case "$run_seconds" in
    '' | *[!0-9]*) echo "SECONDS must be a whole number: $run_seconds" >&2; exit 2 ;;
esac
mkdir -p "$build_dir"
build_dir="$(cd "$build_dir" && pwd)"

# --- clang with libFuzzer -------------------------------------------------
fuzzer_links() {
    local probe
    probe="$(mktemp -d)"
    printf '#include <cstddef>\n#include <cstdint>\nextern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n' \
        >"$probe/probe.cpp"
    local status=0
    clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
        >/dev/null 2>&1 || status=1
    rm -rf "$probe"
    return $status
}
if ! command -v clang++ >/dev/null 2>&1 || ! fuzzer_links; then
    echo "== installing clang and the libFuzzer runtime"
    apt_get=(apt-get)
    [ "$(id -u)" -ne 0 ] && apt_get=(sudo apt-get)
    "${apt_get[@]}" update
    DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" install -y clang libclang-rt-14-dev
    fuzzer_links || { echo "clang++ still cannot link a libFuzzer program" >&2; exit 1; }
fi

# --- build ------------------------------------------------------------------
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
echo "== configuring $build_dir"
CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHESS_FUZZ=ON -DCHESS_BUILD_TESTS=OFF >/dev/null
echo "== building ${targets[*]}"
cmake --build "$build_dir" -j 2 --target "${targets[@]}"

# --- run ----------------------------------------------------------------------
# Per-input limits: the longest input each target reads, and the time one
# input may take before it counts as a hang.
max_len_of() {
    case "$1" in
        fuzz_reply_reader) echo 4096 ;;
        fuzz_position_file) echo 4096 ;;
        fuzz_book) echo 8192 ;;
        fuzz_session) echo 2049 ;;
        fuzz_uci_dialogue) echo 4096 ;;
    esac
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=()
summary=()
for t in "${targets[@]}"; do
    work="$build_dir/fuzz-work/$t"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp "$here/corpus/$t/"* "$work/corpus/"
    echo "== $t: ${run_seconds}s"
    status=0
    started="$(date +%s)"
    # Absolute paths throughout: the target works in a scratch folder of its own.
    "$build_dir/fuzz/$t" -max_total_time="$run_seconds" -timeout=30 -rss_limit_mb=2048 \
        -max_len="$(max_len_of "$t")" -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "$work/corpus" >"$work/log" 2>&1 || status=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)"
    took=$(($(date +%s) - started))
    corpus_size="$(find "$work/corpus" -type f | wc -l)"
    found="$(find "$work/artifacts" -type f | wc -l)"
    line="$t: ${runs:-?} executions in ${took} s, corpus $corpus_size inputs"
    if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
        line="$line, FAILED (exit $status, $found artifact(s) in $work/artifacts; log $work/log)"
        failed+=("$t")
        grep -E "ERROR|check failed|runtime error|SUMMARY" "$work/log" | head -5 || true
    fi
    echo "$line"
    summary+=("$line")
done

echo "== summary"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
    echo "targets with findings: ${failed[*]}"
    exit 1
fi
