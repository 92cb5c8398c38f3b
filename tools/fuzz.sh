#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build-fuzz/ and runs each one for a
# bounded time from a scratch copy of its committed seed corpus (the committed corpus never
# grows). A crash, a sanitizer report or a broken invariant fails the run; the input that
# caused it is kept under build-fuzz/crashes/<target>/.
#   tools/fuzz.sh [seconds per target]    (default 20, or BODOVKA_FUZZ_SECONDS)
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$ROOT"

seconds="${1:-${BODOVKA_FUZZ_SECONDS:-20}}"
build="$ROOT/build-fuzz"
configure_tree "$build" -DCMAKE_CXX_COMPILER=clang++ -DBODOVKA_FUZZ=ON
cmake --build "$build" --target fuzzers -j2

# Scratch space in memory where there is some: the settings fuzzer writes a file per input.
scratch_parent=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_parent=/dev/shm
scratch="$(mktemp -d "$scratch_parent/bodovka-fuzz.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
export TMPDIR="$scratch"
export ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}"

failed=()
ran=0
mkdir -p "$build/logs"
for exe in "$build"/tests/fuzz/fuzz_*; do
    [ -x "$exe" ] && [ -f "$exe" ] || continue
    name="$(basename "$exe")"
    corpus="$scratch/corpus-$name"
    mkdir -p "$corpus" "$build/crashes/$name"
    cp -R "$ROOT/tests/fuzz/corpus/$name/." "$corpus/" 2>/dev/null || true
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
        -artifact_prefix="$build/crashes/$name/")
    [ -f "$ROOT/tests/fuzz/$name.dict" ] && options+=(-dict="$ROOT/tests/fuzz/$name.dict")
    log="$build/logs/$name.log"
    ran=$((ran + 1))
    if "$exe" "${options[@]}" "$corpus" >"$log" 2>&1; then
        echo "$name: $(grep -E '^Done [0-9]+ runs' "$log" | tail -n 1)," \
            "$(find "$corpus" -type f | wc -l) inputs in the corpus"
    else
        failed+=("$name")
        echo "FAIL $name: the fuzzer found a fault (full log: $log)"
        grep -vE '^#[0-9]+|NEW_FUNC' "$log" | tail -n 40
        artifact="$(grep -oE "Test unit written to .*" "$log" | tail -n 1 | sed 's/^Test unit written to //')"
        if [ -n "$artifact" ]; then
            echo "FAIL $name: the input is kept in $artifact"
            echo "FAIL $name: replay it with: $exe $artifact"
        fi
    fi
done

if [ "$ran" -eq 0 ]; then
    echo "FAIL: no fuzz target was built" >&2
    exit 1
fi
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing failed: ${failed[*]}" >&2
    exit 1
fi
echo "Fuzzing: $ran targets ran ${seconds} s each without a finding"
