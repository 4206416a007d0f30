#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: a normal build, an
# AddressSanitizer + UndefinedBehaviorSanitizer build, a ThreadSanitizer build
# of the threaded suites, and a bounded fuzz run of the container reader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

export WUVO_NO_POWEROFF=1
jobs=$(nproc)

run_ctest() {
  local dir=$1; shift
  # Windows get a virtual display; tests never wait for a person.
  xvfb-run -a ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@"
}

bash scripts/build.sh build
run_ctest build

bash scripts/build.sh build-asan -DWUVO_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 run_ctest build-asan

bash scripts/build.sh build-tsan -DWUVO_SANITIZE=thread
TSAN_OPTIONS=halt_on_error=1 run_ctest build-tsan -R 'Threads\.'

CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DWUVO_FUZZ=ON
bash fuzz/run.sh build-fuzz "${WUVO_FUZZ_SECONDS:-60}"
