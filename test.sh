#!/usr/bin/env bash
# Builds with AddressSanitizer + UndefinedBehaviorSanitizer and runs every test;
# then the ThreadSanitizer tests and, with clang, a short run of every fuzzer.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
ensure_packages

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
jobs=$(build_jobs)

echo "== folder layers"
scripts/check_layers.sh

echo "== ASan + UBSan build"
configure_and_build build/asan -DCMAKE_BUILD_TYPE=Debug -DTARVIX_SANITIZE=address
(cd build/asan && ctest --output-on-failure -j "$jobs" --timeout 600)

echo "== ThreadSanitizer build"
TARVIX_TARGET=tsan_tests configure_and_build build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIX_SANITIZE=thread -DTARVIX_BUILD_BENCH=OFF
if [ -n "$(cd build/tsan && ctest -N -L tsan | grep -E '^ *Test +#')" ]; then
  (cd build/tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -j "$jobs" -L tsan)
fi

if command -v clang++ >/dev/null 2>&1 && [ -z "${TARVIX_NO_FUZZ:-}" ]; then
  echo "== libFuzzer targets"
  CC=clang CXX=clang++ TARVIX_TARGET=fuzzers configure_and_build build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARVIX_FUZZ=ON -DTARVIX_BUILD_BENCH=OFF
  if [ -n "$(cd build/fuzz && ctest -N -L fuzz | grep -E '^ *Test +#')" ]; then
    (cd build/fuzz && ctest --output-on-failure -j "$jobs" -L fuzz)
  fi
fi
echo "== all tests passed"
