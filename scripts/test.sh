#!/usr/bin/env bash
# Sets up, builds and runs every test headless, under Xvfb with Mesa's software renderer:
# first the plain build in build/, then the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/, with leak checking on. Leaks that the GL driver
# and the system libraries keep until exit are suppressed by library in tests/lsan.supp.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
display=(xvfb-run -a -s "-screen 0 1280x1024x24")

scripts/build.sh build
"${display[@]}" ctest --test-dir build --output-on-failure -j2

scripts/build.sh build-asan -DDICHTENSCHAU_SANITIZE=ON
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"${display[@]}" ctest --test-dir build-asan --output-on-failure -j2
