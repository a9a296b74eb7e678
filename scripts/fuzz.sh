#!/usr/bin/env bash
# Fuzzes every parser of outside input with libFuzzer, AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer: scripts/fuzz.sh [SECONDS] [TARGET...] runs each target (all by default) for SECONDS
# (default 600), one after another at the lowest priority, and prints executions, coverage and crashes. With
# FUZZ_RUNS=N in the environment a target also stops after N executions.
#
# Builds the fuzzers with clang in build-fuzz/ and the writer and reader with the usual compiler in build/; writes
# the seed corpus with our writer (CSV to .mdb, a generated directory, the reader's stream of each file). The
# corpus grows in build-fuzz/corpus/TARGET across runs. A crash is minimised into tests/fuzz/regressions/TARGET/,
# which ctest replays.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing_packages "${build_packages[@]}" "${fuzz_packages[@]}"

seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=("$@")
jobs=$(nproc)

[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
nice -n 19 cmake --build build -j "$jobs" --target velkaro-mkbase velkaro-reader
[ -f build-fuzz/CMakeCache.txt ] || CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELKARO_FUZZ=ON -DVELKARO_BUILD_BENCH=OFF
nice -n 19 cmake --build build-fuzz -j "$jobs" --target "${targets[@]:-fuzz_targets}"
# All by default: every target this source tree has (the reader's parsers over bytes where it has them apart).
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(cd build-fuzz/bin && ls fuzz_*)

# Seeds: files our writer makes, the stream the reader writes for each (first byte 0: decoded in one piece, 7: in
# pieces of seven bytes), the CSVs they come from; the committed seeds join them.
seeds=build-fuzz/seeds
rm -rf "$seeds"
for target in "${targets[@]}" fuzz_readtable_decoder fuzz_mkbase_csv fuzz_reader_file; do
    mkdir -p "$seeds/$target"
done
cp tests/fuzz/seeds/fuzz_mkbase_csv/* "$seeds/fuzz_mkbase_csv/"
head -n 40 data/sample-directory.csv > "$seeds/fuzz_mkbase_csv/sample.csv"
for csv in "$seeds"/fuzz_mkbase_csv/*.csv; do
    build/bin/velkaro-mkbase "$csv" "$seeds/fuzz_reader_file/$(basename "$csv" .csv).mdb" 2>/dev/null || true
done
build/bin/velkaro-mkbase --generate 12 --seed 5 "$seeds/fuzz_reader_file/generated.mdb"
# The other kinds of file Access saves: Access 97 with Cyrillic texts in a Western header, an .accdb.
build/bin/velkaro-mkbase --generate 12 --seed 6 --format jet3 --text-code-page 1251 "$seeds/fuzz_reader_file/jet3.mdb"
build/bin/velkaro-mkbase --generate 12 --seed 7 --format ace12 "$seeds/fuzz_reader_file/ace12.mdb"
reference=../shared/reference/access-made-jet4.mdb
[ -f "$reference" ] && cp "$reference" "$seeds/fuzz_reader_file/"
for mdb in "$seeds"/fuzz_reader_file/*.mdb; do
    name=$(basename "$mdb" .mdb)
    table=Base
    # The Access-made file's one table, with a memo column.
    [ "$name" = access-made-jet4 ] && table=DateTest
    stream=$(mktemp)
    build/bin/velkaro-reader "$mdb" "$table" > "$stream" || true
    { printf '\0'; cat "$stream"; } > "$seeds/fuzz_readtable_decoder/$name"
    { printf '\7'; cat "$stream"; } > "$seeds/fuzz_readtable_decoder/$name-pieces"
    rm -f "$stream"
done

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p build-fuzz/logs
report=()
for target in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$target
    artifacts=build-fuzz/artifacts/$target
    regressions=tests/fuzz/regressions/$target
    log=build-fuzz/logs/$target.log
    mkdir -p "$corpus" "$artifacts"
    inputs=("$corpus" "tests/fuzz/seeds/$target" "$seeds/$target")
    [ -d "$regressions" ] && inputs+=("$regressions")
    options=(-max_len=4096)
    # A usage map may name bitmap pages, which the input then holds.
    [ "$target" = fuzz_reader_usagemap ] && options=(-max_len=16384)
    # The memo reader's input holds pages, the whole-file target's a database.
    [ "$target" = fuzz_reader_memo ] && options=(-max_len=20000)
    # The whole-file target, the slowest by far, runs on every core.
    [ "$target" = fuzz_reader_file ] && options=(-max_len=300000 -fork="$jobs")
    [ -n "${FUZZ_RUNS:-}" ] && options+=(-runs="$FUZZ_RUNS")
    echo "== $target: ${seconds}s, log in $log"
    nice -n 19 "build-fuzz/bin/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 "${options[@]}" \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "${inputs[@]}" > "$log" 2>&1 || true

    # The statistics a run ends with, else its last progress line.
    executions=$(sed -n -e 's/^stat::number_of_executed_units: *//p' -e 's/^#\([0-9]*\): cov: .*/\1/p' "$log" | tail -n 1)
    # Edges reached of all the instrumented ones in the program, and libFuzzer's finer features.
    edges=$(sed -n 's/.*(\([0-9]*\) inline 8-bit counters).*/\1/p' "$log" | head -n 1)
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 | sed "s|cov: \([0-9]*\)|cov: \1/${edges:-?}|" || true)
    crashes=0
    for crash in "$artifacts"/*; do
        [ -f "$crash" ] || continue
        crashes=$((crashes + 1))
        mkdir -p "$regressions"
        nice -n 19 "build-fuzz/bin/$target" -minimize_crash=1 -max_total_time=60 \
            -exact_artifact_path="$crash.min" "$crash" >> "$log" 2>&1 || true
        [ -f "$crash.min" ] && mv "$crash.min" "$crash"
        # Where it stopped: the sanitizer's first frame or the broken property.
        where=$(nice -n 19 "build-fuzz/bin/$target" -timeout=25 -rss_limit_mb=2048 "$crash" 2>&1 \
            | grep -m 1 -E '^ *#0 |fuzz property broken|ERROR: libFuzzer' | sed 's/^ *//' | cut -c 1-110 || true)
        mv "$crash" "$regressions/"
        echo "   $(basename "$crash") -> $regressions: $where"
    done
    report+=("$(printf '%-24s %10s %9ss   %-26s %7s' "$target" "${executions:-?}" "$seconds" "${coverage:-?}" "$crashes")")
done

printf '\n%-24s %10s %10s   %-26s %7s\n' target executions time coverage crashes
printf '%s\n' "${report[@]}"
