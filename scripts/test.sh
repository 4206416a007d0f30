#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: a normal build, an
# AddressSanitizer + UndefinedBehaviorSanitizer build, a ThreadSanitizer build
# of the threaded suites, and a bounded fuzz run of the container reader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

export WUVO_NO_POWEROFF=1
jobs=$(nproc)

passed=0
failed=0
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT

# Runs one build's tests and adds its counts to the totals.
run_ctest() {
  local dir=$1; shift
  local status=0
  # Windows get a virtual display; tests never wait for a person. Without
  # -noreset the display resets whenever its last window closes, and a
  # program starting just then cannot connect.
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" | tee "$summary" || status=1
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$summary" | tail -n 1)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + ${total:-0} - ${bad:-0}))
  failed=$((failed + ${bad:-0}))
  return $status
}

bash scripts/build.sh build
run_ctest build

bash scripts/build.sh build-asan -DWUVO_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 run_ctest build-asan

bash scripts/build.sh build-tsan -DWUVO_SANITIZE=thread
TSAN_OPTIONS=halt_on_error=1 run_ctest build-tsan -R 'Threads\.'

CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DWUVO_FUZZ=ON
if bash fuzz/run.sh build-fuzz "${WUVO_FUZZ_SECONDS:-60}"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
