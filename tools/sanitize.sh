#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and
# runs it there; any report (memory error, leak at exit, undefined behaviour) fails the run, also
# from the processes the tests start (bodovka-sim, a second copy of a test).
# Extra arguments go to ctest, e.g. tools/sanitize.sh -R tst_end_to_end.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$ROOT"

install_packages
# Debug: no optimisation compiles twice as fast with the sanitizers, keeps every check and
# every frame of a report, and turns on the assertions in Qt's inline container code.
build_tree "$ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DBODOVKA_SANITIZE=ON -DBODOVKA_BENCH=OFF

# A report aborts the process: ctest sees the crash, a test sees its child's crash.
# (Not strict_string_checks: it takes strndup of an unterminated buffer, which is allowed and
# what libxkbcommon does on an X display, for an overflow.)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen
echo "Test suite with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/):"
ctest --test-dir "$ROOT/build-asan" --output-on-failure -j2 "$@"
